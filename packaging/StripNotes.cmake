# Run by CPack on the staged files before packing: what Debian's dh_strip
# removes besides the symbols, the compilers' version notes.
file(GLOB_RECURSE files "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER files INCLUDE REGEX "/usr/bin/[^/]+$")
foreach(program IN LISTS files)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
