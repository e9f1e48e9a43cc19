# Run by CPack on the staged tree before packing: CPack's strip keeps the compilers' .comment
# section and the ELF notes that Debian's own packaging tools remove from programs.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_VELDOR_STRIP}" --remove-section=.comment --remove-section=.note
                            "${program}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "could not strip ${program}")
    endif()
endforeach()
