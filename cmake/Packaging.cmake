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
install(FILES ${PROJECT_SOURCE_DIR}/docs/zephlark-cli.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
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
set(CPACK_PACKAGE_CONTACT "Zephlark Utility developers <zephlark-utility@orvex.example>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Zephlark handheld game device")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds a Zephlark handheld plugged in over USB, shows whether it is connected and sets its clock; on request it updates the device's firmware or erases it, and copies its log to the clipboard for a support request. Includes the udev rule that lets the logged-in user reach the device without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

# "~" sorts before the end of a Debian version, so 0.1.0~beta.1 is older than the 0.1.0 release;
# the hyphen of the program's own long version would not be.
if(ZEPHLARK_PRERELEASE_TAG)
    set(CPACK_DEBIAN_PACKAGE_VERSION
        "${PROJECT_VERSION}~${ZEPHLARK_PRERELEASE_TAG}.${ZEPHLARK_BUILD_NUMBER}")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own translations (its stock texts in the program's dialogs).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wx3.2-i18n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${ZEPHLARK_LINUX_RESOURCES}/postinst ${ZEPHLARK_LINUX_RESOURCES}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
