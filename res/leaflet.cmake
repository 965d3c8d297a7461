# Leaflet (BSD-2-Clause) from Debian's libjs-leaflet, copied into the program's pages as
# leaflet/... together with its copyright file.
set(DERUZIZ_LEAFLET_DIR "/usr/share/javascript/leaflet" CACHE PATH "Leaflet's installed files (libjs-leaflet)")
set(DERUZIZ_LEAFLET_COPYRIGHT "/usr/share/doc/libjs-leaflet/copyright" CACHE FILEPATH "Leaflet's copyright file")

set(_leaflet_files
  leaflet.js
  leaflet.css
  images/layers.png
  images/layers-2x.png
  images/marker-icon.png
  images/marker-icon-2x.png
  images/marker-shadow.png)

foreach(f IN LISTS _leaflet_files)
  if(NOT EXISTS "${DERUZIZ_LEAFLET_DIR}/${f}")
    message(FATAL_ERROR "Leaflet file ${DERUZIZ_LEAFLET_DIR}/${f} is missing: install Debian's libjs-leaflet")
  endif()
endforeach()
if(NOT EXISTS "${DERUZIZ_LEAFLET_COPYRIGHT}")
  message(FATAL_ERROR "${DERUZIZ_LEAFLET_COPYRIGHT} is missing: install Debian's libjs-leaflet")
endif()

set(_leaflet_out "${CMAKE_BINARY_DIR}/leaflet")
set(_leaflet_copies "")
foreach(f IN LISTS _leaflet_files)
  configure_file("${DERUZIZ_LEAFLET_DIR}/${f}" "${_leaflet_out}/${f}" COPYONLY)
  list(APPEND _leaflet_copies "${_leaflet_out}/${f}")
endforeach()
configure_file("${DERUZIZ_LEAFLET_COPYRIGHT}" "${_leaflet_out}/copyright" COPYONLY)
list(APPEND _leaflet_copies "${_leaflet_out}/copyright")

qt_add_resources(deruziz_gui "leaflet" PREFIX "/html/leaflet" BASE "${_leaflet_out}" FILES ${_leaflet_copies})
