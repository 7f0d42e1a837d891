# Run by cpack on the files it has staged for the package: strips the programs
# as Debian strips its own, symbols, debug information and the compiler's
# .comment and .note sections alike.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
if(NOT programs)
  message(FATAL_ERROR "no programs staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
# And the program's own modules (the chart windows).
file(GLOB_RECURSE modules LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.so")
list(FILTER modules INCLUDE REGEX "/lib/(.+/)?qel-vemtra/[^/]+\\.so$")
if(NOT modules)
  message(FATAL_ERROR "no chart module staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
list(APPEND programs ${modules})
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_VEMTRA_STRIP}" --remove-section=.comment --remove-section=.note
                          "${program}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()
