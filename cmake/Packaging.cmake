# Installation of the desktop integration and the Debian package (the Windows packages are in
# PackagingWindows.cmake).
#
# The program itself is installed by src/CMakeLists.txt (component "Unspecified"); everything a
# desktop needs around it is installed here as component "desktop". The package holds exactly these
# two components, so nothing a test or a benchmark might install can slip into it.

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
    return()
endif()
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake)

set(ZEPHLARK_APP_ID com.orvex.ZephlarkUtility)
set(ZEPHLARK_LINUX_RESOURCES ${PROJECT_SOURCE_DIR}/resources/linux)
set(ZEPHLARK_UDEV_RULE ${ZEPHLARK_LINUX_RESOURCES}/60-zephlark.rules)
set(ZEPHLARK_DESKTOP_FILE ${ZEPHLARK_LINUX_RESOURCES}/${ZEPHLARK_APP_ID}.desktop)
set(ZEPHLARK_METAINFO_FILE ${ZEPHLARK_LINUX_RESOURCES}/${ZEPHLARK_APP_ID}.metainfo.xml)

# Relative, so that it follows the prefix (and CPack's staging). udev reads rules only from
# /usr/lib, /lib and /etc: under any other prefix the rule is installed but inert (see below).
set(ZEPHLARK_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING
    "Where the udev rule is installed, relative to the prefix or absolute")

install(FILES ${ZEPHLARK_UDEV_RULE} DESTINATION ${ZEPHLARK_UDEV_RULES_DIR} COMPONENT desktop)
install(FILES ${ZEPHLARK_DESKTOP_FILE}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${ZEPHLARK_METAINFO_FILE}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
foreach(size IN ITEMS 16 32 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/zephlark-utility-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME zephlark-utility.png COMPONENT desktop)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/zephlark-utility.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)

# The package's copyright file in Debian's machine-readable format, made from LICENSE (Debian calls
# the MIT text "Expat"). In that format a licence's lines are indented by a space, and an empty
# line is written " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(FIND "${license_text}" "Permission is hereby granted" license_start)
string(SUBSTRING "${license_text}" ${license_start} -1 license_body)
string(STRIP "${license_body}" license_body)
string(REPLACE "\n\n" "\n.\n" license_body "${license_body}")
string(REPLACE "\n" "\n " license_body "${license_body}")
set(ZEPHLARK_DEBIAN_COPYRIGHT ${PROJECT_BINARY_DIR}/copyright)
configure_file(${ZEPHLARK_LINUX_RESOURCES}/copyright.in ${ZEPHLARK_DEBIAN_COPYRIGHT} @ONLY)
install(FILES ${ZEPHLARK_DEBIAN_COPYRIGHT}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zephlark-utility COMPONENT desktop)
# What zephlark-cli --json writes, as a JSON Schema that scripts can validate against.
install(FILES ${PROJECT_SOURCE_DIR}/docs/zephlark-cli.schema.json
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zephlark-utility COMPONENT desktop)

# The maintainer signs the package and each entry of its changelog.
set(CPACK_PACKAGE_CONTACT "Zephlark Utility developers <zephlark-utility@orvex.example>"
    CACHE STRING "Maintainer of the Debian package")
set(package_docs ${PROJECT_BINARY_DIR}/package-docs)
zephlark_write_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md zephlark-utility
    "${CPACK_PACKAGE_CONTACT}" ${package_docs}/changelog)
# The manual pages and the changelog, compressed as Debian's tools do it: the most, and without the
# file's name and time, so that the same text always gives the same bytes.
function(zephlark_compressed document destination)
    get_filename_component(name ${document} NAME)
    add_custom_command(OUTPUT ${package_docs}/${name}.gz
        COMMAND gzip -9 -n -c ${document} > ${package_docs}/${name}.gz
        DEPENDS ${document} VERBATIM)
    install(FILES ${package_docs}/${name}.gz DESTINATION ${destination} COMPONENT desktop)
    set(compressed_docs ${compressed_docs} ${package_docs}/${name}.gz PARENT_SCOPE)
endfunction()
set(compressed_docs "")
zephlark_compressed(${PROJECT_SOURCE_DIR}/docs/zephlark-utility.1 ${CMAKE_INSTALL_MANDIR}/man1)
zephlark_compressed(${PROJECT_SOURCE_DIR}/docs/zephlark-cli.1 ${CMAKE_INSTALL_MANDIR}/man1)
zephlark_compressed(${package_docs}/changelog ${CMAKE_INSTALL_DATADIR}/doc/zephlark-utility)
add_custom_target(zephlark-package-docs ALL DEPENDS ${compressed_docs})

# A source install under the default /usr/local prefix is the usual way to end up with a rule that
# udev never reads and a "permission denied" that looks like a bug: say so at install time. The
# install script sees none of this file's variables, hence the first line.
install(CODE "set(udev_rules_dir \"${ZEPHLARK_UDEV_RULES_DIR}\")" COMPONENT desktop)
install(CODE [[
    get_filename_component(udev_rules_dir "${udev_rules_dir}" ABSOLUTE BASE_DIR "${CMAKE_INSTALL_PREFIX}")
    if(NOT udev_rules_dir MATCHES "^(/usr/lib|/lib|/etc)/udev/rules.d$")
        message(STATUS "udev reads no rules from ${udev_rules_dir}: to use the device without "
            "root, run sudo cp ${udev_rules_dir}/60-zephlark.rules /etc/udev/rules.d/ && "
            "sudo udevadm control --reload")
    endif()
]] COMPONENT desktop)

set(CPACK_GENERATOR DEB)
# Without component installation CPack packs every component, whatever CPACK_COMPONENTS_ALL says.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified desktop)
set(CPACK_PACKAGE_NAME zephlark-utility)
set(CPACK_PACKAGE_VENDOR Orvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Zephlark handheld game device")
# The extended description's lines stay within 80 characters (Debian's tools show them as they
# are); CPack indents them and writes the empty line as the paragraph break " .".
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Finds a Zephlark handheld plugged in over USB, shows whether it is connected"
    "and sets its clock; on request it updates the device's firmware or erases it."
    "Every message it logs can be copied or saved for a support request."
    ""
    "Includes zephlark-cli, which runs the same update, recovery, factory reset and"
    "access checks from a terminal, and the udev rule that lets the logged-in user"
    "reach the device without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

zephlark_debian_version(${ZEPHLARK_LONG_VERSION} CPACK_DEBIAN_PACKAGE_VERSION)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own translations (its stock texts in the program's dialogs).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wx3.2-i18n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${ZEPHLARK_LINUX_RESOURCES}/postinst ${ZEPHLARK_LINUX_RESOURCES}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
