# Manual pages made at build time by help2man from a program's own --help and --version, so
# that the page and the help text cannot drift apart.
find_program(HELP2MAN help2man REQUIRED)

# vk_add_manpage(PROGRAM DESCRIPTION [HELP2MAN-OPTION...]) makes man/PROGRAM.1 in the build
# folder from the executable target PROGRAM, with DESCRIPTION as the page's name line.
function(vk_add_manpage program description)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${HELP2MAN} --no-info --section 1 ${ARGN} --name ${description}
                --output ${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "Making the manual page ${program}(1)"
        VERBATIM)
    add_custom_target(${program}_manpage ALL DEPENDS ${page})
endfunction()
