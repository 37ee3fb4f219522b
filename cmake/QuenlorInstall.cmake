# Installed layout (prefix /usr in the Debian package): programs in bin/, the
# verse table, sample studies and help pages in share/quenlor/ (the programs
# find it beside their bin/ folder), and the desktop entry, icon and file type
# that let a file manager open .rvf studies in the reader.
include(GNUInstallDirs)

install(TARGETS quenlor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quenlor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# quenlor-cli hands the commands that need Qt to quenlor-cli-qt in its own folder.
install(TARGETS quenlor-cli-qt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# quenlor-cli import-sword runs the importer from its own folder.
if(TARGET quenlor-import-sword)
  install(TARGETS quenlor-import-sword RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(QUENLOR_SHARE ${CMAKE_INSTALL_DATADIR}/quenlor)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/app/Ayuda DESTINATION ${QUENLOR_SHARE})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Estudios DESTINATION ${QUENLOR_SHARE} FILES_MATCHING PATTERN "*.rvf")
# The full verse table when `make verse-table` built it, else the committed sample.
install(CODE "
  set(table \"${PROJECT_BINARY_DIR}/data/RV1960.xml\")
  if(NOT EXISTS \"\${table}\")
    set(table \"${PROJECT_SOURCE_DIR}/data/RV1960.xml\")
  endif()
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${QUENLOR_SHARE}\" TYPE FILE FILES \"\${table}\")
")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenlor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenlor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenlor-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME quenlor.xml)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quenlor maintainers <maintainers@quenlor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lector de estudios bíblicos (.rvf) con los versículos a mano")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, shared-mime-info, desktop-file-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
