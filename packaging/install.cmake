# Installation as a desktop application, and the Debian package.
#   bin/kestrel
#   lib/kestrel/libkshost.so          the host runtime the plug-ins share
#   lib/kestrel/libksimage.so         the image library, loaded when a picture is needed
#   lib/kestrel/libkestrel-*.so       modules kestrel loads when a command needs
#                                     them: pictures, export, the main window
#   lib/kestrel/plugins/*.so          the plug-ins; kestrel registers them at start
#   lib/kestrel/plugins/views/*.so    their Qt dialogs, loaded at the desktop
#   share/applications/kestrel.desktop, share/mime/packages/kestrel.xml,
#   share/icons/hicolor/scalable/apps/kestrel.svg,
#   share/thumbnailers/kestrel.thumbnailer (file managers' previews),
#   share/metainfo/org.example.kestrel.metainfo.xml (software centres),
#   share/man/man1/kestrel.1.gz, share/bash-completion/completions/kestrel,
#   share/doc/kestrel/copyright and changelog.gz
include(GNUInstallDirs)

# Plain lib/, whatever the multiarch settings say: kestrel looks for its
# plug-ins in ../lib/kestrel/plugins from its own folder.
set(KS_INSTALL_LIB_DIR lib/kestrel)

# Library search paths relative to each file, one set for both trees: where
# the file lies once installed, then where it lies in the build tree (bin/,
# lib/, plugins/, plugins/views/). The build tree's files carry them as they
# are, so installing copies them unchanged: editing them in place at install
# would need the build tree's paths padded with empty entries, which the
# loader reads as the current folder (a library of the same name there would
# be loaded instead).
set(KS_APP_MODULES kestrel_render_module kestrel_export_module)
if(TARGET kestrel_desktop_module)
  list(APPEND KS_APP_MODULES kestrel_desktop_module)
endif()
set_target_properties(kestrel PROPERTIES INSTALL_RPATH "$ORIGIN/../${KS_INSTALL_LIB_DIR};$ORIGIN/../lib")
set_target_properties(KsImport KsObjPath PROPERTIES INSTALL_RPATH "$ORIGIN/..;$ORIGIN/../lib")
set_target_properties(kshost ksimage ${KS_APP_MODULES} PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(kestrel KsImport KsObjPath kshost ksimage ${KS_APP_MODULES}
                      PROPERTIES BUILD_WITH_INSTALL_RPATH ON)

install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kshost LIBRARY DESTINATION ${KS_INSTALL_LIB_DIR} NAMELINK_SKIP)
install(TARGETS ksimage LIBRARY DESTINATION ${KS_INSTALL_LIB_DIR})
install(TARGETS KsImport KsObjPath LIBRARY DESTINATION ${KS_INSTALL_LIB_DIR}/plugins)
if(KS_BUILD_GUI)
  set_target_properties(KsImportView KsObjPathView PROPERTIES
                        INSTALL_RPATH "$ORIGIN/../..;$ORIGIN/../../lib" BUILD_WITH_INSTALL_RPATH ON)
  install(TARGETS KsImportView KsObjPathView LIBRARY DESTINATION ${KS_INSTALL_LIB_DIR}/plugins/views)
endif()
install(TARGETS ${KS_APP_MODULES} LIBRARY DESTINATION ${KS_INSTALL_LIB_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kestrel.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.thumbnailer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.example.kestrel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kestrel)

# The manual and the package's documentation, compressed as Debian installs them
# (gzip -9n: no name or time stamp, so builds are reproducible).
set(KS_MAN_PAGE ${CMAKE_BINARY_DIR}/packaging/kestrel.1.gz)
set(KS_DEB_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${KS_MAN_PAGE} ${KS_DEB_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/kestrel.1
          ${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/kestrel.1 ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/kestrel.1 ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(kestrel_docs ALL DEPENDS ${KS_MAN_PAGE} ${KS_DEB_CHANGELOG})
install(FILES ${KS_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KS_DEB_CHANGELOG} ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrel)

set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "Kestrel plug-ins project")
set(CPACK_PACKAGE_CONTACT "Kestrel plug-ins project <kestrel-plugins@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Stand-in 3D host with the KsImport and KsObjPath plug-ins")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrel imports WaveFront OBJ, AutoCAD DXF, 3D Studio and POV-Ray include
files through its KsImport plug-in, builds objects from a drawn path or a
picture's outline through its KsObjPath plug-in, and shows, draws and exports
the scene (glTF, GLB, OBJ, PLY, STL, COLLADA). It converts folders of models
on every core and gives file managers thumbnails of model files.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Libraries come from dpkg-shlibdeps; the OpenGL drivers are loaded at run time
# and so are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri, libegl-mesa0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info")
include(CPack)
