# Warning flags shared by every target of the suite (link PRIVATE to suite_warnings).
add_library(suite_warnings INTERFACE)
target_compile_options(suite_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                       -Wsign-conversion)
if(SUITE_WERROR)
  target_compile_options(suite_warnings INTERFACE -Werror)
endif()
# Debug builds check standard-library preconditions (bounds of operator[] and friends).
target_compile_definitions(suite_warnings INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
