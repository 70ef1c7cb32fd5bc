# The decoder under libFuzzer (clang only). Saved inputs that once broke it replay in every build.
set(QUILMO_FUZZ_DIR ${PROJECT_SOURCE_DIR}/tests/fuzz)

if(QUILMO_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # The fuzzer needs coverage of the decoder itself, so its sources are compiled in here
  # rather than taken from the uninstrumented library.
  set(QUILMO_FUZZ_SOURCES)
  foreach(library quilmo_aprs quilmo_platform_core)
    get_target_property(sources ${library} SOURCES)
    get_target_property(folder ${library} SOURCE_DIR)
    foreach(source ${sources})
      if(NOT IS_ABSOLUTE ${source})
        set(source ${folder}/${source})
      endif()
      list(APPEND QUILMO_FUZZ_SOURCES ${source})
    endforeach()
  endforeach()
  add_executable(decoder_fuzz ${QUILMO_FUZZ_DIR}/decoder_fuzz.cpp ${QUILMO_FUZZ_SOURCES})
  target_include_directories(decoder_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(decoder_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(decoder_fuzz PRIVATE -fsanitize=fuzzer)

  # New inputs go to the build tree; the seed corpus in the source tree is only read.
  set(QUILMO_FUZZ_WORK ${CMAKE_CURRENT_BINARY_DIR}/decoder_fuzz_work)
  file(MAKE_DIRECTORY ${QUILMO_FUZZ_WORK}/corpus)
  add_test(NAME decoder_fuzz
           COMMAND decoder_fuzz -max_total_time=60 -artifact_prefix=${QUILMO_FUZZ_WORK}/
                   ${QUILMO_FUZZ_WORK}/corpus ${QUILMO_FUZZ_DIR}/corpus
           WORKING_DIRECTORY ${QUILMO_FUZZ_WORK})
  set_tests_properties(decoder_fuzz PROPERTIES LABELS fuzz TIMEOUT 300)
  add_test(NAME decoder_fuzz_regressions
           COMMAND decoder_fuzz -runs=0 ${QUILMO_FUZZ_DIR}/regressions ${QUILMO_FUZZ_DIR}/corpus)
else()
  add_executable(decoder_fuzz_replay ${QUILMO_FUZZ_DIR}/decoder_fuzz.cpp ${QUILMO_FUZZ_DIR}/replay_main.cpp)
  target_link_libraries(decoder_fuzz_replay PRIVATE quilmo_aprs)
  add_test(NAME decoder_fuzz_regressions
           COMMAND decoder_fuzz_replay ${QUILMO_FUZZ_DIR}/regressions ${QUILMO_FUZZ_DIR}/corpus)
endif()
set_tests_properties(decoder_fuzz_regressions PROPERTIES LABELS "unit;fuzz")
