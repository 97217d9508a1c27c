# The hardening Debian builds its packages with (dpkg-buildflags, hardening=+all), for everything
# we compile, both programs included: a stack protector, fortified libc calls, position-
# independent executables, and relocations resolved at start and then made read-only.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
add_compile_options(-fstack-protector-strong)
# _FORTIFY_SOURCE works only when optimising (and warns otherwise); the sanitizer and fuzzing
# builds, never shipped, check the same calls their own way. Any level the compiler presets is
# replaced, so that every build fortifies alike.
if(NOT TARVEX_SANITIZE AND NOT TARVEX_TSAN AND NOT TARVEX_FUZZ)
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>"
                      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>")
endif()
if(NOT APPLE)
  add_link_options(LINKER:-z,relro,-z,now)
endif()
