# Applies SUITE_SANITIZE (e.g. "address,undefined") to every target built after this point.
if(SUITE_SANITIZE)
  add_compile_options(-fsanitize=${SUITE_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SUITE_SANITIZE})
endif()

# Fuzz builds instrument every library for coverage; only the fuzz targets
# themselves link libFuzzer's main.
if(SUITE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
