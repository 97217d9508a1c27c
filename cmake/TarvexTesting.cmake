find_package(GTest REQUIRED)
include(GoogleTest)

# tarvex_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT seconds] [QT] [LABELS l1 l2])
# One GoogleTest binary; every test case becomes a CTest test with a timeout. QT tests run
# headless on the offscreen platform.
function(tarvex_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main tarvex_warnings)
  # A list-valued property does not survive test discovery (its ";" splits the property list,
  # which loses the platform and the labels), so each property gets a single value.
  set(qt_env)
  if(T_QT)
    set(qt_env ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "TARVEX_TEST_BINARY_DIR=${PROJECT_BINARY_DIR}"
               ${qt_env} LABELS "${T_LABELS}")
endfunction()
