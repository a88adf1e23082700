# The Debian package, made by scripts/package.sh with cpack. Run-time dependencies come
# from dpkg-shlibdeps on the programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mzorvany)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "MZorvany developers <dev@mzorvany.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal-safety tracker reporting to a control room")
set(CPACK_PACKAGE_DESCRIPTION
    "MZorvany wakes the GPS receiver on a schedule, sends position reports over UDP\n"
    "to a security company's control room, and raises an alarm there when its owner\n"
    "holds a programmed key. It comes as a Qt program with a tray icon for desktops\n"
    "and phones, a daemon with a systemd service for devices without a display, and\n"
    "a small control-room receiver for testing.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
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
# Positions come from gpsd; the daemon plays the alarm sound with aplay.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gpsd, alsa-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(mz_control ${CMAKE_CURRENT_BINARY_DIR}/control)
file(MAKE_DIRECTORY ${mz_control})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA)
foreach(script postinst prerm postrm)
    file(COPY ${CMAKE_CURRENT_SOURCE_DIR}/debian/${script} DESTINATION ${mz_control}
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${mz_control}/${script})
endforeach()
if(TARGET mzorvany)
    # The autostart entry is configuration the user may edit; dpkg keeps it until purge,
    # and its TryExec leaves it inert once the program is gone.
    set(mz_autostart ${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart/${mz_app_id}.desktop)
    if(NOT IS_ABSOLUTE ${mz_autostart})
        set(mz_autostart ${CPACK_PACKAGING_INSTALL_PREFIX}/${mz_autostart})
    endif()
    file(WRITE ${mz_control}/conffiles "${mz_autostart}\n")
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${mz_control}/conffiles)
endif()

# Debian wants the change log compressed beside the copyright.
set(mz_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${mz_changelog}
    COMMAND ${GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog > ${mz_changelog}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog)
add_custom_target(mzorvany-changelog ALL DEPENDS ${mz_changelog})
install(FILES ${mz_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mzorvany)

include(CPack)
