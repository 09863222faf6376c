# The Windows installer: CPack with NSIS (makensis from Debian's nsis package), built by
# scripts/package.sh into build/package/. Only the "gui" component is packaged: the
# product, not the third-party code the build also compiles.
install(TARGETS korvello-gui RUNTIME DESTINATION . COMPONENT gui)
install(FILES "${PROJECT_SOURCE_DIR}/converter/langmap.txt" DESTINATION . COMPONENT gui)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME "korvello-gui")
set(CPACK_PACKAGE_VENDOR "Veltrana")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "korvello-gui-${PROJECT_VERSION}-setup")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "KorvelloConverterGUI")
set(CPACK_NSIS_PACKAGE_NAME "Korvello Converter")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Korvello;gui;/")
set(CPACK_KORVELLO_ICON "${CMAKE_BINARY_DIR}/res/art/app.ico")
# The installer script template lives here (cmake/packaging/NSIS.template.in), with the
# functions it includes.
set(CPACK_KORVELLO_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/cmake/packaging")
set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/cmake/packaging")
list(PREPEND CMAKE_MODULE_PATH "${PROJECT_SOURCE_DIR}/cmake/packaging")
include(CPack)
