# The KISS splitter, the AX.25 monitor and the converse-mode encoder under libFuzzer (clang
# only), 30 seconds a run; the seed inputs replay in every build.
set(QUILMO_KISS_FUZZ_DIR ${PROJECT_SOURCE_DIR}/tests/fuzz)
set(QUILMO_KISS_SOURCES ${PROJECT_SOURCE_DIR}/terminal/kiss.cpp ${PROJECT_SOURCE_DIR}/terminal/ax25.cpp
    ${PROJECT_SOURCE_DIR}/terminal/kiss_monitor.cpp ${PROJECT_SOURCE_DIR}/terminal/kiss_transmit.cpp)

if(QUILMO_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Compiled in here, instrumented, rather than taken from the library.
  add_executable(kiss_fuzz ${QUILMO_KISS_FUZZ_DIR}/kiss_fuzz.cpp ${QUILMO_KISS_SOURCES})
  target_include_directories(kiss_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(kiss_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(kiss_fuzz PRIVATE -fsanitize=fuzzer)

  set(QUILMO_KISS_FUZZ_WORK ${CMAKE_CURRENT_BINARY_DIR}/kiss_fuzz_work)
  file(MAKE_DIRECTORY ${QUILMO_KISS_FUZZ_WORK}/corpus)
  add_test(NAME kiss_fuzz
           COMMAND kiss_fuzz -max_total_time=30 -artifact_prefix=${QUILMO_KISS_FUZZ_WORK}/
                   ${QUILMO_KISS_FUZZ_WORK}/corpus ${QUILMO_KISS_FUZZ_DIR}/kiss_corpus
           WORKING_DIRECTORY ${QUILMO_KISS_FUZZ_WORK})
  set_tests_properties(kiss_fuzz PROPERTIES LABELS fuzz TIMEOUT 200)
  add_test(NAME kiss_fuzz_regressions COMMAND kiss_fuzz -runs=0 ${QUILMO_KISS_FUZZ_DIR}/kiss_corpus)
else()
  add_executable(kiss_fuzz_replay ${QUILMO_KISS_FUZZ_DIR}/kiss_fuzz.cpp ${QUILMO_KISS_FUZZ_DIR}/replay_main.cpp)
  target_link_libraries(kiss_fuzz_replay PRIVATE quilmo_terminal)
  add_test(NAME kiss_fuzz_regressions COMMAND kiss_fuzz_replay ${QUILMO_KISS_FUZZ_DIR}/kiss_corpus)
endif()
set_tests_properties(kiss_fuzz_regressions PROPERTIES LABELS "unit;fuzz")
