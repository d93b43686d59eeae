# The installed layout (GNU folders) and the Debian package.
#   bin/orvek, bin/orvek-cli
#   share/orvek/            settings template, help pages, cursor files, pictures
#   share/applications/     desktop entry        share/metainfo/  AppStream metadata
#   share/icons/hicolor/    icon                 share/man/man1/  orvek-cli.1
# An installed program finds share/orvek/ from its bin/ folder (core/Folders.cpp).
include(GNUInstallDirs)

set(_resources ${PROJECT_SOURCE_DIR}/resources)
file(RELATIVE_PATH _resources_from_bin ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/orvek)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/core/Folders.cpp TARGET_DIRECTORY orvek_core APPEND PROPERTY
             COMPILE_DEFINITIONS ORVEK_RESOURCES_FROM_BIN="${_resources_from_bin}")

foreach(_program orvek orvek-cli)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

file(GLOB _help ${_resources}/*.htm)
file(GLOB _cursors ${_resources}/*.cur)
install(FILES ${_resources}/orvek.ini ${_help} ${_cursors} ${_resources}/about.jpg
              ${_resources}/MONCU1.png ${_resources}/MONCU2.png ${_resources}/MONCU3.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orvek)
install(FILES ${_resources}/desktop/org.orvek.Orvek.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_resources}/desktop/org.orvek.Orvek.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_resources}/desktop/org.orvek.Orvek.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_resources}/desktop/org.orvek.Orvek.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES ${_resources}/orvek-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package (scripts/package.sh): dependencies found from the programs' libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvek)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvek developers <orvek@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure visual double stars on telescope images")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvek reads FITS, BMP and ORV frames and AVI or SER videos, selects, aligns and stacks\n\
series, measures the two components of a double star by thresholded centroids and reduces\n\
them into position angle and separation with a drift calibration. For close pairs it\n\
computes power spectra and correlations of speckle series. orvek-cli does the same\n\
without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
