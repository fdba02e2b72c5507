# Runs the real tunecmp, tunestat and tuneport on outputs that fail and inputs
# that never end (cmake -DTUNECMP=<binary> -DTUNESTAT=<binary>
# -DTUNEPORT=<binary> -DDATA=<tests/data> -DWORK=<scratch> -P <this file>): a full device, a closed standard output and
# a missing folder must end the run with status 1 after one report naming the
# output and the reason; /dev/zero as a file list, types file or features file
# must end at once with a message. Prints "SKIPPED" when the system has no
# /dev/full or /dev/zero.
foreach(var TUNECMP TUNESTAT TUNEPORT DATA WORK)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
if(NOT EXISTS /dev/full OR NOT EXISTS /dev/zero)
  message("SKIPPED: this system has no /dev/full or /dev/zero")
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(COPY "${DATA}/tunecmp/" DESTINATION "${WORK}")

# expect_run(<status> <standard error regex> [STDOUT <file>] COMMAND <program> <args...>)
function(expect_run expected_status err_regex)
  cmake_parse_arguments(ARG "" "STDOUT" "COMMAND" ${ARGN})
  set(redirect)
  if(ARG_STDOUT)
    set(redirect OUTPUT_FILE ${ARG_STDOUT})
  endif()
  execute_process(COMMAND ${ARG_COMMAND} WORKING_DIRECTORY "${WORK}" TIMEOUT 20
                  RESULT_VARIABLE status ERROR_VARIABLE err ${redirect})
  if(NOT status STREQUAL expected_status OR NOT err MATCHES "${err_regex}")
    message(FATAL_ERROR "${ARG_COMMAND}: exit status ${status}, expected ${expected_status}; "
                        "standard error:\n${err}")
  endif()
endfunction()

set(full "Error writing /dev/full\n/dev/full: No space left on device\n$")
expect_run(1 "^Reading files completed in [^\n]* ms\n${full}" COMMAND "${TUNECMP}" -s a.csv b.csv /dev/full)
expect_run(1 "^Reading files completed in [^\n]* ms\n${full}" COMMAND "${TUNECMP}" -s -f abc.lst /dev/full)
expect_run(1 "^Reading files completed in [^\n]* ms\n${full}" COMMAND "${TUNECMP}" -s -a -f abc.lst /dev/full)
expect_run(1 "\nCould not open nodir/out.csv\nnodir/out.csv: No such file or directory\n$"
           COMMAND "${TUNECMP}" -s -f abc.lst nodir/out.csv)
expect_run(1 "\nCould not open nodir/r_rawEd.csv\nnodir/r_rawEd.csv: No such file or directory\n$"
           COMMAND "${TUNECMP}" -s -M -D nodir -f abc.lst r)

expect_run(1 "\nFile I/O error\n/dev/full: No space left on device\n$"
           COMMAND "${TUNECMP}" -s -q abc.lst a.csv /dev/full)

set(stdout_full "standard output: No space left on device\n$")
expect_run(1 "\nFile I/O error\n${stdout_full}" STDOUT /dev/full
           COMMAND "${TUNECMP}" -s -q abc.lst a.csv)
expect_run(1 "^Error writing standard output\n${stdout_full}" STDOUT /dev/full COMMAND "${TUNECMP}" -p)
expect_run(1 "Number of files: 1\nError writing standard output\n${stdout_full}" STDOUT /dev/full
           COMMAND "${TUNESTAT}" -f length a.csv)
expect_run(1 "Number of files: 1\nError writing standard output\n${stdout_full}" STDOUT /dev/full
           COMMAND "${TUNESTAT}" -m t -f pitch-raw a.csv)
expect_run(1 "^Error writing standard output\n${stdout_full}" STDOUT /dev/full
           COMMAND "${TUNESTAT}" -t a.csv)
find_program(SHELL_PROGRAM sh)
if(SHELL_PROGRAM)
  expect_run(1 "\nFile I/O error\nstandard output: Bad file descriptor\n$"
             COMMAND "${SHELL_PROGRAM}" -c "\"$0\" -s -q abc.lst a.csv >&-" "${TUNECMP}")
  expect_run(1 "\nError writing standard output\nstandard output: Bad file descriptor\n$"
             COMMAND "${SHELL_PROGRAM}" -c "\"$0\" -f length a.csv >&-" "${TUNESTAT}")
endif()

# tuneport: every output format to a full device, into a missing folder and
# with a full or closed standard output; -1 (255) after one message naming
# the file. Batch mode reports a failed output and goes on (status 1).
file(WRITE "${WORK}/tune.notes" "Note 0 500 60\nNote 500 1000 62\nNote 1000 2000 64\n")
foreach(format csv gnu midi esac notes)
  expect_run(255 "^/dev/full: I/O error during write: No space left on device\n$"
             COMMAND "${TUNEPORT}" -f ${format} -i tune.notes -o /dev/full)
  expect_run(255 "^nodir/out: Could not open file: No such file or directory\n$"
             COMMAND "${TUNEPORT}" -f ${format} -i tune.notes -o nodir/out)
  expect_run(255 "^Standard output: I/O error during write\n$" STDOUT /dev/full
             COMMAND "${TUNEPORT}" -f ${format} -i tune.notes -o out.${format})
endforeach()
if(SHELL_PROGRAM)
  expect_run(255 "^Standard output: I/O error during write\n$"
             COMMAND "${SHELL_PROGRAM}" -c "\"$0\" -f csv -i tune.notes >&-" "${TUNEPORT}")
endif()
file(MAKE_DIRECTORY "${WORK}/sub/tune.csv")
file(COPY "${WORK}/tune.notes" DESTINATION "${WORK}/sub")
file(WRITE "${WORK}/names.txt" "sub/tune.notes tune.notes\n")
execute_process(COMMAND "${TUNEPORT}" -f csv -I WORKING_DIRECTORY "${WORK}" TIMEOUT 20
                INPUT_FILE "${WORK}/names.txt" OUTPUT_FILE /dev/full
                RESULT_VARIABLE status ERROR_VARIABLE err)
string(CONCAT expected "Processing sub/tune.notes...\nsub/tune.csv: Could not open file: Is a directory\n"
       "Standard output: I/O error during write\nProcessing tune.notes...\ntune.csv written\n")
if(NOT status STREQUAL "1" OR NOT err STREQUAL expected)
  message(FATAL_ERROR "tuneport -I: exit status ${status}; standard error:\n${err}")
endif()

set(nul "/dev/zero: not a text file \\(NUL byte in line 1\\); a")
expect_run(255 "^${nul} file list holds at most 1000000 lines of up to 1023 characters\n$"
           COMMAND "${TUNECMP}" -s -f /dev/zero)
expect_run(0 "^${nul} types file holds at most 100000 lines\n" COMMAND "${TUNECMP}" -s -t /dev/zero a.csv b.csv)
expect_run(255 "^${nul} features file holds at most 100000 lines\nCould not read eatures"
           COMMAND "${TUNESTAT}" -f /dev/zero a.csv)
expect_run(255 "^${nul} file list holds" COMMAND "${TUNESTAT}" -f length -l /dev/zero)
file(REMOVE_RECURSE "${WORK}")
