# A file with code for one platform only is named <Name>_linux.cpp or <Name>_mac.cpp and sits
# beside the portable <Name>.cpp; a folder lists it as <Name>_${TARVEX_PLATFORM}.cpp.
if(APPLE)
  set(TARVEX_PLATFORM mac)
else()
  set(TARVEX_PLATFORM linux)
endif()

# tarvex_library(name SOURCES a.cpp b.cpp [LIBS deps...] [PRIVATE_LIBS deps...]): a static
# library of the listed sources. Whoever links it gets the repository root as include path
# (headers are included by their path from there) and C++20.
function(tarvex_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_link_libraries(${name} PUBLIC ${L_LIBS} PRIVATE tarvex_warnings ${L_PRIVATE_LIBS})
endfunction()

# tarvex_executable(name SOURCES... LIBS...): a program of our own, with our warnings.
function(tarvex_executable name)
  cmake_parse_arguments(E "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${E_SOURCES})
  target_link_libraries(${name} PRIVATE ${E_LIBS} tarvex_warnings)
endfunction()

# The version, generated from PROJECT_VERSION: #include "tarvex/Version.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${PROJECT_BINARY_DIR}/generated/tarvex/Version.h @ONLY)
add_library(tarvex_version INTERFACE)
target_include_directories(tarvex_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
