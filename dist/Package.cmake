# The Debian packages, made by scripts/package.sh with cpack, one per install component:
#   mzorvanyd        the daemon with its systemd units and polkit rule (no Qt)
#   mzorvany         the Qt tracker with its desktop entries, icons and metainfo
#   mzorvany-pult    the control-room receiver
#   mzorvany-common  the alarm sound both trackers play (architecture-independent)
# Run-time dependencies come from dpkg-shlibdeps on each package's own programs.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME mzorvany)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "MZorvany developers <dev@mzorvany.org>")
# No package-wide summary: cpack would put it before each package's own first line.
set(mz_about "MZorvany wakes the GPS receiver on a schedule, sends position reports over UDP\n\
to a security company's control room, and raises an alarm there when its owner\n\
holds a programmed key.\n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(CMAKE_CROSSCOMPILING)
    # The package is for the machine the programs were built for, not this one.
    execute_process(COMMAND dpkg-architecture -t${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MZORVANY_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DAEMON_PACKAGE_NAME mzorvanyd)
set(CPACK_DEBIAN_DAEMON_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_DAEMON_DESCRIPTION
    "personal-safety tracker for devices without a display\n${mz_about}\n\
This package holds mzorvanyd, the tracker as a daemon with a systemd service,\n\
for devices without a display such as a board with a GPS receiver, a modem and\n\
a panic key.")
set(CPACK_DEBIAN_DAEMON_PACKAGE_DEPENDS "mzorvany-common (= ${PROJECT_VERSION})")
# Positions come from gpsd; the daemon plays the alarm sound with aplay.
set(CPACK_DEBIAN_DAEMON_PACKAGE_RECOMMENDS "gpsd, alsa-utils")

set(CPACK_DEBIAN_TRACKER_PACKAGE_NAME mzorvany)
set(CPACK_DEBIAN_TRACKER_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_TRACKER_DESCRIPTION
    "personal-safety tracker with a tray icon\n${mz_about}\n\
This package holds mzorvany, the tracker as a Qt program with a tray icon and a\n\
status window for desktops and phones, started hidden at login.")
set(CPACK_DEBIAN_TRACKER_PACKAGE_DEPENDS "mzorvany-common (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TRACKER_PACKAGE_RECOMMENDS "gpsd")

set(CPACK_DEBIAN_PULT_PACKAGE_NAME mzorvany-pult)
set(CPACK_DEBIAN_PULT_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PULT_DESCRIPTION
    "control-room receiver for MZorvany reports\n${mz_about}\n\
This package holds mzorvany-pult, a small control room that receives, decodes,\n\
prints and acknowledges the trackers' reports, for testing a tracker.")

set(CPACK_DEBIAN_COMMON_PACKAGE_NAME mzorvany-common)
set(CPACK_DEBIAN_COMMON_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMMON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_COMMON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_COMMON_DESCRIPTION
    "personal-safety tracker - common files\n${mz_about}\n\
This package holds the alarm sound that both mzorvanyd and mzorvany play.")

# Only the daemon's package has maintainer scripts: they look after its units.
set(mz_control ${CMAKE_CURRENT_BINARY_DIR}/control)
file(MAKE_DIRECTORY ${mz_control}/daemon ${mz_control}/tracker)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA)
foreach(script postinst prerm postrm)
    file(COPY ${CMAKE_CURRENT_SOURCE_DIR}/debian/${script} DESTINATION ${mz_control}/daemon
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
    list(APPEND CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA ${mz_control}/daemon/${script})
endforeach()
if(TARGET mzorvany)
    # The autostart entry is configuration the user may edit; dpkg keeps it until purge,
    # and its TryExec leaves it inert once the program is gone.
    set(mz_autostart ${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart/${mz_app_id}.desktop)
    if(NOT IS_ABSOLUTE ${mz_autostart})
        set(mz_autostart ${CPACK_PACKAGING_INSTALL_PREFIX}/${mz_autostart})
    endif()
    file(WRITE ${mz_control}/tracker/conffiles "${mz_autostart}\n")
    set(CPACK_DEBIAN_TRACKER_PACKAGE_CONTROL_EXTRA ${mz_control}/tracker/conffiles)
endif()

# Every package carries the copyright and, compressed as Debian wants it, the change log.
set(mz_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${mz_changelog}
    COMMAND ${GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog > ${mz_changelog}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog)
add_custom_target(mzorvany-changelog ALL DEPENDS ${mz_changelog})
set(mz_doc_packages mzorvanyd mzorvany mzorvany-pult mzorvany-common)
set(mz_doc_components daemon tracker pult common)
foreach(package component IN ZIP_LISTS mz_doc_packages mz_doc_components)
    if(component STREQUAL "tracker" AND NOT TARGET mzorvany)
        continue()
    endif()
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/debian/copyright ${mz_changelog}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

include(CPack)
