# Installs the build (cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix>
# -P <this file>) and checks what lands: programs in bin/ and the example
# types and features files in share/melody_suite/, nothing else.
cmake_minimum_required(VERSION 3.25)
if(NOT BUILD OR NOT PREFIX)
  message(FATAL_ERROR "BUILD (the build directory) and PREFIX (a scratch prefix) must be set")
endif()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed with ${status}")
endif()
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(programs "")
set(others "")
foreach(path IN LISTS installed)
  if(path MATCHES "^bin/tune[a-z]+$")
    list(APPEND programs "${path}")
  elseif(NOT path MATCHES "^share/melody_suite/(types\\.ini|features\\.txt)$")
    list(APPEND others "${path}")
  endif()
endforeach()
if(others OR NOT "bin/tunecmp" IN_LIST programs OR NOT "bin/tunestat" IN_LIST programs
   OR NOT "share/melody_suite/types.ini" IN_LIST installed
   OR NOT "share/melody_suite/features.txt" IN_LIST installed)
  message(FATAL_ERROR "installed:\n${installed}\nunexpected: ${others}")
endif()
