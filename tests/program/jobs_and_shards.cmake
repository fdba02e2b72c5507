# Runs the real tunecmp and tunestat over the bundled Irish tunes (cmake
# -DTUNECMP=<binary> -DTUNESTAT=<binary> -DSAMPLES=<samples folder>
# -DWORK=<scratch> -P <this file>) and checks that several jobs write what
# one job writes, and that the outputs of N shards, concatenated in shard
# order, equal the output of the whole run, byte for byte.
foreach(var TUNECMP TUNESTAT SAMPLES WORK)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB tunes "${SAMPLES}/cre/*.csv")
list(SORT tunes)
list(JOIN tunes "\n" list_text)
# A name that cannot be read, so that a message comes from the middle of the run.
file(WRITE "${WORK}/tunes.lst" "${list_text}\n${WORK}/missing.csv\n")

# Runs a program in WORK; its standard output and error go to files <name>.out
# and <name>.err, without the lines that hold times.
function(run_program name expected_status)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status
                  OUTPUT_FILE "${WORK}/${name}.out" ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${ARGN}: exit status ${status}, expected ${expected_status}\n${err}")
  endif()
  string(REGEX REPLACE "[^\n]*completed in [^\n]*\n" "" err "${err}")
  file(WRITE "${WORK}/${name}.err" "${err}")
endfunction()

function(expect_same_file expected actual)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${expected}" "${WORK}/${actual}"
                  RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${actual} differs from ${expected}")
  endif()
endfunction()

# Concatenates WORK/<part>... into WORK/<joined>.
function(concatenate joined)
  set(text "")
  foreach(part ${ARGN})
    file(READ "${WORK}/${part}" piece)
    string(APPEND text "${piece}")
  endforeach()
  file(WRITE "${WORK}/${joined}" "${text}")
endfunction()

set(types -t "${SAMPLES}/types.ini")

# tunecmp: the pairs that reach the threshold, the lines and messages of
# every pair on the error stream.
run_program(cmp1 0 "${TUNECMP}" ${types} -th 0.6 -f tunes.lst cmp1.csv)
run_program(cmp2 0 "${TUNECMP}" ${types} -th 0.6 -j 2 -f tunes.lst cmp2.csv)
expect_same_file(cmp1.csv cmp2.csv)
expect_same_file(cmp1.out cmp2.out)
expect_same_file(cmp1.err cmp2.err)
# Every pair of the list, one line each after the header, for the shards.
run_program(cmp_all 0 "${TUNECMP}" ${types} -s -f tunes.lst cmp_all.csv)
file(READ "${WORK}/cmp_all.csv" text)
string(REGEX MATCHALL "\n" lines "${text}")
list(LENGTH lines line_count)
list(LENGTH tunes tune_count)
math(EXPR expected_lines "(${tune_count} + 1) * ${tune_count} / 2 + 1")
if(NOT line_count EQUAL expected_lines)
  message(FATAL_ERROR "cmp_all.csv has ${line_count} lines, expected ${expected_lines}")
endif()

foreach(n 2 3)
  set(parts "")
  foreach(k RANGE 1 ${n})
    run_program(cmp_${k}_of_${n} 0 "${TUNECMP}" ${types} -s -j 2 --shard ${k}/${n} -f tunes.lst
                cmp_${k}_of_${n}.csv)
    list(APPEND parts cmp_${k}_of_${n}.csv)
  endforeach()
  concatenate(cmp_joined_${n}.csv ${parts})
  expect_same_file(cmp_all.csv cmp_joined_${n}.csv)
endforeach()

# tunestat: the features of the example file, one row per tune.
set(features -f "${SAMPLES}/features.txt")
run_program(stat1 0 "${TUNESTAT}" ${features} -l tunes.lst)
run_program(stat2 0 "${TUNESTAT}" ${features} -j 2 -l tunes.lst)
expect_same_file(stat1.out stat2.out)
expect_same_file(stat1.err stat2.err)
foreach(n 2 3)
  set(parts "")
  foreach(k RANGE 1 ${n})
    run_program(stat_${k}_of_${n} 0 "${TUNESTAT}" ${features} --shard ${k}/${n} -j 2
                -l tunes.lst)
    list(APPEND parts stat_${k}_of_${n}.out)
  endforeach()
  concatenate(stat_joined_${n}.out ${parts})
  expect_same_file(stat1.out stat_joined_${n}.out)
endforeach()
