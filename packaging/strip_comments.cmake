# Run by cpack on the staged files before it packs them: drops the compiler's version notes
# (the .comment section) from the programs, as Debian's own stripping does.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER staged INCLUDE REGEX "/bin/[^/]+$")
foreach(program IN LISTS staged)
    execute_process(COMMAND objcopy --remove-section=.comment "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
