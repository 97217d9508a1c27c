# Warnings for our own code, as a target that each of our targets links PRIVATE, so that nothing
# that merely consumes our libraries inherits them. -Werror is switched on in CI (TARVEX_WERROR).
add_library(tarvex_warnings INTERFACE)
target_compile_options(tarvex_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports false positives in libstdc++ headers at -O2.
  target_compile_options(tarvex_warnings INTERFACE -Wno-restrict -Wno-array-bounds
                                                   -Wno-stringop-overflow)
endif()
if(TARVEX_WERROR)
  target_compile_options(tarvex_warnings INTERFACE -Werror)
endif()
