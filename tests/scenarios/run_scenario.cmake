# Runs one scenario: cmake -DSIM=... -DIMAGE=... -DSCRIPT=x.sim -DWORK=dir -P run_scenario.cmake
get_filename_component(base ${SCRIPT} NAME_WE)
get_filename_component(dir ${SCRIPT} DIRECTORY)
set(expected ${dir}/${base}.expected)
set(ini ${dir}/${base}.ini)

if(NOT EXISTS ${IMAGE})
  message(FATAL_ERROR "no image at ${IMAGE}: build it first (tockly-image build)")
endif()

# A fresh program folder every run.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(EXISTS ${ini})
  configure_file(${ini} ${WORK}/data.ini COPYONLY)
endif()
file(GLOB extras ${dir}/${base}.files/*)
foreach(extra IN LISTS extras)
  file(COPY ${extra} DESTINATION ${WORK})
endforeach()

execute_process(COMMAND ${SIM} --dir ${WORK} --image ${IMAGE} ${SCRIPT}
                OUTPUT_FILE ${WORK}/actual.out
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)

if("$ENV{TOCKLY_UPDATE_EXPECTED}" STREQUAL "1")
  configure_file(${WORK}/actual.out ${expected} COPYONLY)
  message("wrote ${expected}: review it before committing")
endif()

if(NOT status EQUAL 0)
  message(FATAL_ERROR "tockly-sim exited with ${status} (3: text memory out of balance)\n${errors}")
endif()
if(NOT EXISTS ${expected})
  message(FATAL_ERROR "no ${expected}: run with TOCKLY_UPDATE_EXPECTED=1 and review the output")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${expected} ${WORK}/actual.out RESULT_VARIABLE differs)
if(differs)
  execute_process(COMMAND diff -u ${expected} ${WORK}/actual.out OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "output differs from ${expected}:\n${diff}")
endif()
