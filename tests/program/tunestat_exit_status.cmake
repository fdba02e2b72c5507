# Runs the tunestat program itself (cmake -DTUNESTAT=<binary> -DDATA=<tests/data>
# -P <this file>) and checks the exit statuses: 0 after -h (usage on standard
# output), -p and a completed run, 255 (-1 as the shell sees it) after a
# command-line error, 1 when the processing mode fails.
if(NOT TUNESTAT OR NOT DATA)
  message(FATAL_ERROR "TUNESTAT (the tunestat binary) and DATA (tests/data) must be set")
endif()

function(expect_run expected_status out_regex err_regex)
  execute_process(COMMAND "${TUNESTAT}" ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${ARGN}: exit status ${status}, expected ${expected_status}\n${err}")
  endif()
  if(NOT out MATCHES "${out_regex}")
    message(FATAL_ERROR "${ARGN}: unexpected standard output:\n${out}")
  endif()
  if(NOT err MATCHES "${err_regex}")
    message(FATAL_ERROR "${ARGN}: unexpected standard error:\n${err}")
  endif()
endfunction()

set(melody "${DATA}/features/gort_road_excerpt.csv")
set(banner "^tunestat v1\\.0\\.16 [^\n]*\n\nNumber of files: 1\n")

expect_run(0 "^Usage: tunestat \\[OPTIONS\\] FEATURES FILES\n.*display this help\n$" "^$" -h)
expect_run(255 "^$" "^Unknown option -x\nUsage: " -x -f length x.csv)
expect_run(255 "^$" "^Unknown mode parameter \\(can be 't'ransform or 'f'eature\\)\\.\nUsage: "
           -m F -f length x.csv)
expect_run(255 "^$" "^Features missing\\. Need something\nUsage: " x.csv)
expect_run(0 "^jumpaft3\n(.*\n)*tonal-phase\n$" "^$" -p)
# The excerpt's 24 pitches average 1663 / 24 = 69.2917.
expect_run(0 "^file;pitch-avg;length\n[^\n]*gort_road_excerpt\\.csv;69\\.2917;24\n$"
           "${banner}Task completed in [0-9.e+-]+ s\n$" -d . -f pitch-avg,length "${melody}")
expect_run(1 "^$" "${banner}Error reading missing\\.csv\n1 of 1 melodies could not be read\nTask completed in [0-9.e+-]+ s\n$"
           -f length missing.csv)
expect_run(1 "^$" "${banner}Could not open [^\n]*/no-such-directory/out\\.csv\n[^\n]*/no-such-directory/out\\.csv: No such file or directory\n$"
           -o "${DATA}/no-such-directory/out.csv" -f length "${melody}")
expect_run(0 "^\nMelody [^\n]*gort_road_excerpt\\.csv\n(.*\n)*Total tonality vectors \\(Minor\\)\n" "^$"
           -t "${melody}")
expect_run(1 "^$" "^Error reading missing\\.csv\n$" -t missing.csv)
