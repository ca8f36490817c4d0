# pellmont_program_start(TARGET FUNCTION): the program starts at the given extern "C" function instead of
# the C runtime's start-up code, which brings its own initialisation, imports and unwind tables for
# nothing the programs use. The function never returns; it ends the process with ExitProcess.
# The program's code is optimised as a whole at the link, which inlines across files and leaves out
# what no caller reaches.
# The link map, TARGET.map beside the program, indexes the stripped file: the tests read there that
# the program needs nothing of that start-up code, and bench/measure-size what each part takes.
function(pellmont_program_start target function)
    # 32-bit Windows gives C symbols a leading underscore.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(function _${function})
    endif()
    set_property(TARGET ${target} PROPERTY PELLMONT_WHOLE_PROGRAM ON)
    target_link_options(${target} PRIVATE -nostartfiles -Wl,--entry=${function}
                                          -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
endfunction()
