# Runs the tunecmp program itself (cmake -DTUNECMP=<binary> -P <this file>):
# a command-line error must end with exit status 255 (-1 as the shell sees
# it) after the message and the usage text; -p must end with 0 after the 86
# type names on standard output, --help with 0 after the usage text there.
if(NOT TUNECMP)
  message(FATAL_ERROR "TUNECMP (path of the tunecmp binary) is not set")
endif()

execute_process(COMMAND "${TUNECMP}" -d x a.csv b.csv
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 255)
  message(FATAL_ERROR "validation error: exit status ${status}, expected 255")
endif()
if(NOT out STREQUAL "")
  message(FATAL_ERROR "validation error: unexpected standard output: ${out}")
endif()
if(NOT err MATCHES "^Unrecognized float formal\nUsage: tunecmp \\[OPTIONS\\] file1 file2")
  message(FATAL_ERROR "validation error: unexpected standard error: ${err}")
endif()

execute_process(COMMAND "${TUNECMP}" -p
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "-p: exit status ${status}, expected 0")
endif()
string(REGEX MATCHALL "\n" breaks "${out}")
list(LENGTH breaks lines)
if(NOT lines EQUAL 86 OR NOT out MATCHES "^const\nrawEd\n" OR NOT out MATCHES "\naccents-opti2\n$")
  message(FATAL_ERROR "-p: expected the 86 type names, got ${lines} lines:\n${out}")
endif()
if(NOT err STREQUAL "")
  message(FATAL_ERROR "-p: unexpected standard error: ${err}")
endif()

execute_process(COMMAND "${TUNECMP}" --help
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT err STREQUAL "" OR NOT out MATCHES "^Usage: tunecmp .*show this help\n$")
  message(FATAL_ERROR "--help: exit status ${status}, standard output:\n${out}\nstandard error:\n${err}")
endif()
