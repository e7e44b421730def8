# Runs one scenario: cmake -DSIM=... -DIMAGE=... -DSCRIPT=x.sim -DWORK=dir [-DKEEP_OPENING=1]
#   -P run_scenario.cmake
# The start-up window's opening line (all its labels) is the same in every scenario but for the
# time; it is compared only where KEEP_OPENING is set, so that one label's change touches one file.
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
                OUTPUT_FILE ${WORK}/output.jsonl
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)

# What is compared: the output, without the start-up window's opening line unless it is kept.
file(READ ${WORK}/output.jsonl compared)
if(NOT KEEP_OPENING)
  string(FIND "${compared}" "\"effect\":\"open\",\"window\":\"main\"" at)
  if(at GREATER -1)
    string(SUBSTRING "${compared}" 0 ${at} before)
    string(FIND "${before}" "\n" line_start REVERSE)
    math(EXPR line_start "${line_start} + 1")
    string(SUBSTRING "${compared}" ${at} -1 rest)
    string(FIND "${rest}" "\n" line_length)
    math(EXPR line_end "${at} + ${line_length} + 1")
    string(SUBSTRING "${compared}" 0 ${line_start} head)
    string(SUBSTRING "${compared}" ${line_end} -1 tail)
    set(compared "${head}${tail}")
  endif()
endif()
file(WRITE ${WORK}/actual.out "${compared}")

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
