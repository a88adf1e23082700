# Run by cmake --install: writes the systemd units with the programs' installed paths.
# Absolute folders stay as given; /usr's configuration lives in /etc.
function(mz_full_path relative out)
    if(IS_ABSOLUTE "${relative}")
        set(${out} "${relative}" PARENT_SCOPE)
    elseif(relative STREQUAL "etc" AND CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(${out} "/etc" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
    endif()
endfunction()

mz_full_path("${mz_bindir}" MZ_BINDIR)
mz_full_path("${mz_sysconfdir}" MZ_SYSCONFDIR)
mz_full_path("${mz_system_unit_dir}" system_dir)
mz_full_path("${mz_user_unit_dir}" user_dir)

# Written straight into place: a file shared in the build folder would race between two
# installs into different prefixes.
foreach(unit IN ITEMS "${system_dir}/mzorvanyd@.service" "${user_dir}/mzorvanyd.service")
    get_filename_component(name "${unit}" NAME)
    set(target "$ENV{DESTDIR}${unit}")
    message(STATUS "Installing: ${target}")
    configure_file("${mz_source_dir}/${name}.in" "${target}" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
endforeach()
