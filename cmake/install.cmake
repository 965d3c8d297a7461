# What `cmake --install` lays out, and the Debian package CPack makes of it (`cpack -G DEB`).
#   bin/deruziz
#   lib/deruziz/libderuziz_gui.so, libderuziz_mapview.so   private: found by run path, not ld.so.conf
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1, share/doc/deruziz
include(GNUInstallDirs)

set(DERUZIZ_APP_ID "io.github.orvane.deruziz")
set(DERUZIZ_PRIVATE_LIBDIR "lib/deruziz")
set(DERUZIZ_MAINTAINER "Deruziz maintainers <deruziz@users.noreply.github.com>"
    CACHE STRING "The Debian package's maintainer")

set_target_properties(deruziz PROPERTIES INSTALL_RPATH "$ORIGIN/../${DERUZIZ_PRIVATE_LIBDIR}")
# The module is loaded by path; its own run path finds the library it links beside it.
set_target_properties(deruziz_mapview PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS deruziz RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS deruziz_gui LIBRARY DESTINATION ${DERUZIZ_PRIVATE_LIBDIR} NAMELINK_SKIP)
install(TARGETS deruziz_mapview LIBRARY DESTINATION ${DERUZIZ_PRIVATE_LIBDIR})

set(_data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${_data}/${DERUZIZ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_data}/${DERUZIZ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${_data}/icons/hicolor/${size}x${size}/apps/deruziz.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants the change log and the manual page compressed, without a time stamp so that
# builds match.
find_program(DERUZIZ_GZIP gzip REQUIRED)
set(_gzipped "")
foreach(f changelog deruziz.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${f}.gz
    COMMAND ${DERUZIZ_GZIP} -9nc ${_data}/${f} > ${CMAKE_BINARY_DIR}/${f}.gz
    DEPENDS ${_data}/${f}
    VERBATIM)
  list(APPEND _gzipped ${CMAKE_BINARY_DIR}/${f}.gz)
endforeach()
add_custom_target(deruziz_gzipped_docs ALL DEPENDS ${_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/deruziz.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_data}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${_data}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME deruziz)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "deruziz")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Deruziz")
set(CPACK_PACKAGE_CONTACT "${DERUZIZ_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for car camcorder clips with their GPS logs")
set(CPACK_PACKAGE_DESCRIPTION
"Deruziz plays the recordings of a car camcorder with a GPS logger. While a
clip plays it follows the clip's GPS log one record a second: a marker moves
on a street map, latitude and longitude are shown and a speed gauge turns.
A paged play list holds the clips found in the folders you add.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "video")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/orvane/deruziz")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the linked libraries cannot tell: libVLC's demuxers, decoders and X11 video output are
# plug-ins, and the window's texts are Chinese. Qt WebEngine's helper program comes with its
# library's dependencies, and Leaflet needs nothing: the build copies it into the program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vlc-plugin-base, vlc-plugin-video-output")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
