# Runs the real tuneport, tunecmp and tunestat over the hostile files of
# tests/data/hostile and a few files with lines of 100,000 characters made
# here (cmake -DTUNEPORT=<binary> -DTUNECMP=<binary> -DTUNESTAT=<binary>
# -DDATA=<tests/data> -DWORK=<scratch> -P <this file>). Every run must end
# with its status and no crash or sanitizer report; a failed conversion says
# why on one line; batch mode names each file and goes on with the next one;
# tunecmp and tunestat name each file they cannot read and go on.
cmake_minimum_required(VERSION 3.20)
foreach(var TUNEPORT TUNECMP TUNESTAT DATA WORK)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(COPY "${DATA}/hostile/" DESTINATION "${WORK}")
file(REMOVE "${WORK}/README.md")

# Lines of 100,000 characters, made here rather than kept in the repository.
string(REPEAT "x" 100000 long)
string(REPEAT "1" 100000 ones)
set(table_head "Signature: 4/4, Ticks per Beat: 96, Annotated Key: 0\nonset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;\n")
file(WRITE "${WORK}/long_line.csv" "${table_head}0,0000;0;1;1;0;60;0,5000;96;4;${long}\n")
file(WRITE "${WORK}/long_first_line.csv" "Signature: 4/4${long}\n")
file(WRITE "${WORK}/long_field.esa" "HOST6\nCUT[${long}]\nKEY[H0006  16  C 4/4]\nMEL[1_2_3_4_ //]\n")
file(WRITE "${WORK}/long_melody.esa" "HOST7\nKEY[H0007  16  C 4/4]\nMEL[${ones} //]\n")
file(WRITE "${WORK}/long_comment.notes" "%${long}\nNote 0 500 60\nNote 500 1000 62\n")
file(WRITE "${WORK}/long_note_line.notes" "Note 0 500 60 ${long}\n")
file(WRITE "${WORK}/good.csv" "${table_head}0,0000;0;1;1;0;60;0,5000;96;4;\n"
           "0,5000;96;1;2;0;64;0,5000;96;4;\n1,0000;192;1;3;0;67;1,0000;192;8;\n")

# run(<program> <args...> [INPUT <file>]): status, out and err of one run in
# WORK, failing the test on a crash, a hang or a sanitizer report.
function(run)
  cmake_parse_arguments(ARG "" "INPUT" "" ${ARGN})
  set(input)
  if(ARG_INPUT)
    set(input INPUT_FILE "${ARG_INPUT}")
  endif()
  execute_process(COMMAND ${ARG_UNPARSED_ARGUMENTS} WORKING_DIRECTORY "${WORK}" TIMEOUT 120
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err ${input})
  if(NOT status MATCHES "^[0-9]+$" OR err MATCHES "Sanitizer|runtime error")
    message(FATAL_ERROR "${ARG_UNPARSED_ARGUMENTS}: ended with \"${status}\"\n${err}")
  endif()
  set(status "${status}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# Each file converted to a melody table: its status and the one line on
# standard error ("" for none). Failed reads give the same message whatever
# the output format.
set(cases
  "bad_key.esa|0|"
  "binary_junk.csv|255|Could not read binary_junk.csv"
  "binary_junk.esa|255|Not a text file (NUL byte)."
  "binary_junk.mid|255|MIDI source not usable."
  "binary_junk.notes|255|Bad file format"
  "crlf_bom.csv|0|"
  "crlf_bom.esa|0|"
  "crlf_bom.notes|0|"
  "empty.csv|255|File empty"
  "empty.esa|255|Could not read empty.esa"
  "empty.mid|255|MIDI source not usable."
  "empty.notes|255|Bad file format"
  "endless_delta.mid|255|MIDI source not usable."
  "header_only.csv|255|File empty"
  "huge_numbers.csv|255|Invalid ticks per beat: 2147483647"
  "huge_times.notes|255| Invalid line"
  "long_comment.notes|0|"
  "long_field.esa|0|"
  "long_first_line.csv|255|No division specified"
  "long_line.csv|255|No pitch found"
  "long_melody.esa|0|"
  "long_note_line.notes|255| Invalid line"
  "many_tracks_declared.mid|0|"
  "no_signature.csv|255|Could not read no_signature.csv"
  "one_note.csv|0|"
  "one_note.esa|0|"
  "one_note.mid|0|"
  "one_note.notes|0|"
  "oversized_chunk.mid|0|"
  "oversized_header.mid|255|MIDI source not usable."
  "polyphonic.notes|255|Polyphonic data"
  "running_status_without_status.mid|255|MIDI source not usable."
  "test-corrupt-file-missing-byte.mid|0|"
  "test-illegal-message-all.mid|255|MIDI source not usable."
  "test-not-a-midi-file.mid|255|MIDI source not usable."
  "test-running-status-sysex.mid|0|"
  "truncated_header.mid|255|MIDI source not usable."
  "truncated_track.mid|255|Unexpected Stream Error"
  "unterminated_fields.esa|255|Multiple Signatures found."
  "unterminated_melody.esa|0|"
  "zero_division.mid|255|Invalid division: 0")

set(names)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 expected_status)
  list(GET fields 2 message)
  list(APPEND names "${name}")
  run("${TUNEPORT}" -f csv -i "${name}" -o out.csv)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "tuneport -f csv -i ${name}: status ${status}, expected ${expected_status}\n${err}")
  endif()
  set(expected_err "")
  if(NOT message STREQUAL "")
    set(expected_err "${message}\n")
  endif()
  if(NOT err STREQUAL expected_err)
    message(FATAL_ERROR "tuneport -f csv -i ${name}: standard error\n${err}expected\n${expected_err}")
  endif()
  if(name MATCHES "^long_melody")
    continue()  # 100,000 notes: one output format is enough under the sanitizers
  endif()
  foreach(format midi esac notes gnu)
    file(REMOVE "${WORK}/out.${format}")
    run("${TUNEPORT}" -f ${format} -i "${name}" -o "out.${format}")
    if(expected_status STREQUAL "255")
      set(ok FALSE)
      if(status STREQUAL "255" AND err STREQUAL expected_err)
        set(ok TRUE)
      endif()
    elseif(status STREQUAL "0")
      set(ok FALSE)
      if(err STREQUAL "" AND EXISTS "${WORK}/out.${format}")
        set(ok TRUE)
      endif()
    else()
      # A writer may refuse a melody its format cannot hold, on one line.
      set(ok FALSE)
      if(status STREQUAL "255" AND err MATCHES "^[^\n]+\n$")
        set(ok TRUE)
      endif()
    endif()
    if(NOT ok)
      message(FATAL_ERROR "tuneport -f ${format} -i ${name}: status ${status}\n${err}")
    endif()
  endforeach()
endforeach()

# Batch mode over all of them, a good file last: each name announced and
# followed by one line, the good file written, status 1.
list(APPEND names one_note.notes)
string(REPLACE ";" "\n" name_list "${names}")
file(WRITE "${WORK}/names.txt" "${name_list}\n")
run("${TUNEPORT}" -f gnu -I INPUT "${WORK}/names.txt")
if(NOT status STREQUAL "1")
  message(FATAL_ERROR "tuneport -f gnu -I: status ${status}\n${err}")
endif()
set(rest "${err}")
foreach(name IN LISTS names)
  string(REGEX REPLACE "[][.*+?^$()|\\]" "\\\\\\0" quoted "${name}")
  if(NOT rest MATCHES "^Processing ${quoted}\\.\\.\\.\n[^\n]+\n")
    message(FATAL_ERROR "batch: no report for ${name} here:\n${rest}")
  endif()
  string(LENGTH "${CMAKE_MATCH_0}" length)
  string(SUBSTRING "${rest}" ${length} -1 rest)
endforeach()
if(NOT rest STREQUAL "" OR NOT err MATCHES "one_note\\.gnu written\n$" OR NOT EXISTS "${WORK}/one_note.gnu")
  message(FATAL_ERROR "batch: unexpected end of standard error:\n${err}")
endif()

# The same with a progress line, which closes the run.
list(LENGTH names count)
run("${TUNEPORT}" -f gnu --progress -I INPUT "${WORK}/names.txt")
if(NOT status STREQUAL "1" OR NOT err MATCHES "\nProgress: ${count} of ${count} files \\(100%\\)[^\n]*\n$")
  message(FATAL_ERROR "tuneport --progress -I: status ${status}\n${err}")
endif()

# Binary input as the list of names ends at once; so does /dev/zero under
# the name of an input file (a MIDI file is read up to 64 MiB).
if(EXISTS /dev/zero)
  foreach(case "zero.mid|File too large (more than 64 MiB)" "zero.esa|Not a text file (NUL byte)."
                "zero.notes|Bad file format" "zero.csv|Could not read zero.csv")
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 name)
    list(GET fields 1 message)
    file(CREATE_LINK /dev/zero "${WORK}/${name}" SYMBOLIC)
    run("${TUNEPORT}" -f gnu -i "${name}")
    if(NOT status STREQUAL "255" OR NOT err STREQUAL "${message}\n")
      message(FATAL_ERROR "tuneport -i ${name} (/dev/zero): status ${status}\n${err}")
    endif()
  endforeach()
  run("${TUNEPORT}" -f gnu -I INPUT /dev/zero)
  if(NOT status STREQUAL "255" OR NOT err STREQUAL "Standard input: not a list of file names (NUL byte)\n")
    message(FATAL_ERROR "tuneport -I < /dev/zero: status ${status}\n${err}")
  endif()
endif()

# tunecmp and tunestat on a list of every table and MIDI file among them:
# each file that cannot be read is named, the readable ones are compared and
# measured, status 0.
set(tables good.csv crlf_bom.csv)
set(unreadable)
foreach(name IN LISTS names)
  if(name MATCHES "\\.(csv|mid)$" AND NOT name MATCHES "^(good|crlf_bom)\\.csv$")
    list(APPEND tables "${name}")
    list(APPEND unreadable "${name}")
  endif()
endforeach()
string(REPLACE ";" "\n" table_list "${tables}")
file(WRITE "${WORK}/tables.lst" "${table_list}\n")
list(LENGTH tables table_count)
list(LENGTH unreadable unreadable_count)

run("${TUNECMP}" -s -f tables.lst similarity.csv)
set(cmp_err "${err}")
file(READ "${WORK}/similarity.csv" similarity)
if(NOT status STREQUAL "0" OR NOT similarity MATCHES "\ngood\\.csv;crlf_bom\\.csv;0,")
  message(FATAL_ERROR "tunecmp -f tables.lst: status ${status}\n${err}\n${similarity}")
endif()
run("${TUNESTAT}" -f length -l tables.lst -o features.csv)
set(stat_err "${err}")
file(READ "${WORK}/features.csv" features)
if(NOT status STREQUAL "0" OR NOT features STREQUAL "file;length\ngood.csv;3\ncrlf_bom.csv;3\n"
   OR NOT err MATCHES "\n${unreadable_count} of ${table_count} melodies could not be read\n")
  message(FATAL_ERROR "tunestat -l tables.lst: status ${status}\n${err}\n${features}")
endif()
foreach(name IN LISTS unreadable)
  string(REGEX REPLACE "[][.*+?^$()|\\]" "\\\\\\0" quoted "${name}")
  if(NOT cmp_err MATCHES "(^|\n)Error reading ${quoted}\n" OR
     NOT stat_err MATCHES "(^|\n)Error reading ${quoted}\n")
    message(FATAL_ERROR "${name} not named as unreadable:\n${cmp_err}\n${stat_err}")
  endif()
endforeach()

# A list with a line of 100,000 characters is refused, naming the list.
file(WRITE "${WORK}/long.lst" "good.csv\n${long}.csv\ncrlf_bom.csv\n")
run("${TUNECMP}" -s -f long.lst similarity.csv)
if(NOT status STREQUAL "255" OR NOT err MATCHES "^long\\.lst: line 2 is longer than 1023 characters")
  message(FATAL_ERROR "tunecmp -f long.lst: status ${status}\n${err}")
endif()
run("${TUNESTAT}" -f length -l long.lst -o features.csv)
if(NOT status STREQUAL "255" OR NOT err MATCHES "(^|\n)long\\.lst: line 2 is longer than 1023 characters")
  message(FATAL_ERROR "tunestat -l long.lst: status ${status}\n${err}")
endif()

file(REMOVE_RECURSE "${WORK}")
