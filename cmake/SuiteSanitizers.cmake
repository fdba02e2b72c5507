# Applies SUITE_SANITIZE (e.g. "address,undefined") to every target built after this point.
if(SUITE_SANITIZE)
  add_compile_options(-fsanitize=${SUITE_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SUITE_SANITIZE})
  # GCC leaves float-to-integer overflow out of "undefined"; clang has it.
  if(SUITE_SANITIZE MATCHES "undefined" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-fsanitize=float-cast-overflow)
    add_link_options(-fsanitize=float-cast-overflow)
  endif()
endif()

# Fuzz builds instrument every library for coverage; only the fuzz targets
# themselves link libFuzzer's main.
if(SUITE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
