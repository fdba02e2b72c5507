# Runs the README's pipeline on the bundled tunes (cmake -DSCRIPT=<pipeline.sh>
# -DBUILD=<build folder> -DWORK=<scratch> -P <this file>): every MIDI file of
# samples/midi becomes a melody table, tunecmp compares all pairs and
# tunestat computes the features, and neither program complains about a table.
foreach(var SCRIPT BUILD WORK)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND sh "${SCRIPT}" "${BUILD}" "${WORK}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pipeline: exit status ${status}\n${out}\n${err}")
endif()

get_filename_component(samples "${SCRIPT}" DIRECTORY)
file(GLOB midi "${samples}/midi/*.mid")
file(GLOB tables "${WORK}/tables/*.csv")
list(LENGTH midi midi_count)
list(LENGTH tables table_count)
if(midi_count LESS 20 OR NOT table_count EQUAL midi_count)
  message(FATAL_ERROR "${table_count} tables from ${midi_count} MIDI files")
endif()

# One line per pair and one per tune, each after a header.
math(EXPR pairs "${table_count} * (${table_count} - 1) / 2 + 1")
math(EXPR rows "${table_count} + 1")
file(STRINGS "${WORK}/similarity.csv" similarity)
file(STRINGS "${WORK}/features.csv" features)
list(LENGTH similarity similarity_lines)
list(LENGTH features feature_lines)
if(NOT similarity_lines EQUAL pairs OR NOT feature_lines EQUAL rows)
  message(FATAL_ERROR "${similarity_lines} similarity lines (${pairs} expected), "
                      "${feature_lines} feature lines (${rows} expected)")
endif()
if(err MATCHES "Warning|Error|error|Quantizing|Bad data|-1")
  message(FATAL_ERROR "a program complained:\n${err}")
endif()
file(REMOVE_RECURSE "${WORK}")
