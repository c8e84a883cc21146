# The Windows packages, made by CPack from one install tree (the window's program and zephlark-cli
# at its root, the licence beside them): a setup program (NSIS, cmake/windows/NSIS.template.in) and
# a portable zip. The Start menu shortcut is the window's; zephlark-cli is run from a terminal.
#   cmake --build build-windows && cpack --config build-windows/CPackConfig.cmake -B <folder>
# makensis is Debian's nsis package.

# The setup program's licence page shows CR LF lines only; Notepad before Windows 10 1809 too.
set(ZEPHLARK_WINDOWS_LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${ZEPHLARK_WINDOWS_LICENSE} @ONLY NEWLINE_STYLE CRLF)
install(FILES ${ZEPHLARK_WINDOWS_LICENSE} DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME zephlark-utility)
set(CPACK_PACKAGE_VENDOR Orvex)
set(CPACK_PACKAGE_VERSION ${ZEPHLARK_LONG_VERSION})
# Windows wants four numbers where the long version has a pre-release tag.
set(CPACK_ZEPHLARK_FILE_VERSION ${PROJECT_VERSION}.${ZEPHLARK_BUILD_NUMBER})
set(CPACK_ZEPHLARK_PROGRAM_FILE zephlark-utility.exe)
set(CPACK_ZEPHLARK_COPYRIGHT "Copyright (c) ${ZEPHLARK_COPYRIGHT_HOLDERS}")
set(CPACK_NSIS_DISPLAY_NAME "Zephlark Utility")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Zephlark Utility")
# The name of the Add/Remove Programs entry: the same for every version, so an update replaces it.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ZephlarkUtility)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/zephlark-utility.ico)
set(CPACK_RESOURCE_FILE_LICENSE ${ZEPHLARK_WINDOWS_LICENSE})
set(CPACK_STRIP_FILES TRUE)
# The setup program and the zip get names of their own; cpack reads this once per generator.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows/PackageFileNames.cmake)
# CPack takes NSIS.template.in from the module path before its own.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/windows)

include(CPack)
