# cmake -DPROGRAMS=a,b -P CheckNoGui.cmake
# Fails when a program needs Qt's Gui or Widgets library at run time: the
# command-line tool and the simulator must start where no display exists.
find_program(READELF readelf)
if(NOT READELF)
  message(FATAL_ERROR "readelf is needed to look at the programs' libraries")
endif()
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program ${programs})
  execute_process(COMMAND ${READELF} -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf -d ${program} failed")
  endif()
  string(REGEX MATCHALL "libQt6(Gui|Widgets)[^]]*" found "${dynamic}")
  if(found)
    message(FATAL_ERROR "${program} needs ${found}")
  endif()
  message(STATUS "${program}: no Qt Gui or Widgets")
endforeach()
