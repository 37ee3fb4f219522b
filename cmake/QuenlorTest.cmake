include(GoogleTest)
find_package(GTest REQUIRED)

# quenlor_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [QT])
# QT tests get a main that starts a QApplication on the offscreen platform.
function(quenlor_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} quenlor_qt_test_main GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    QUENLOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUENLOR_TEST_DATA="${PROJECT_SOURCE_DIR}/data")
  # One value: this CMake's test discovery hands a test only the first entry
  # of a property's list.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# quenlor_add_fuzzer(NAME SOURCE file.cpp LIBS ... CORPUS dir)
# With QUENLOR_FUZZ the target is a libFuzzer binary; otherwise it is a corpus replayer
# that CI runs under the sanitizers, so every corpus file is checked on each build.
function(quenlor_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCE})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  if(QUENLOR_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    if(QUENLOR_TESTS)
      add_test(NAME ${name}.corpus COMMAND ${name} ${F_CORPUS})
      set_tests_properties(${name}.corpus PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
  endif()
endfunction()
