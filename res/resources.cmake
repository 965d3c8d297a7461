# The program's resources: bitmaps and icons by number, pages and pictures by name.
file(GLOB_RECURSE DERUZIZ_RES_FILES CONFIGURE_DEPENDS
  RELATIVE ${CMAKE_SOURCE_DIR}/res
  ${CMAKE_SOURCE_DIR}/res/bitmaps/*
  ${CMAKE_SOURCE_DIR}/res/icons/*
  ${CMAKE_SOURCE_DIR}/res/html/*)
set(_res_abs "")
foreach(f IN LISTS DERUZIZ_RES_FILES)
  list(APPEND _res_abs ${CMAKE_SOURCE_DIR}/res/${f})
endforeach()
qt_add_resources(deruziz_gui "deruziz_res" PREFIX "/" BASE ${CMAKE_SOURCE_DIR}/res FILES ${_res_abs})

if(EXISTS ${CMAKE_SOURCE_DIR}/res/leaflet.cmake)
  include(${CMAKE_SOURCE_DIR}/res/leaflet.cmake)
endif()
