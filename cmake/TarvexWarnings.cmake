# Warnings for our own code. -Werror is switched on in CI (TARVEX_WERROR).
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports false positives in libstdc++ headers at -O2.
  add_compile_options(-Wno-restrict -Wno-array-bounds -Wno-stringop-overflow)
endif()
if(TARVEX_WERROR)
  add_compile_options(-Werror)
endif()
