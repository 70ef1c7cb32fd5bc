add_executable(mic_e_tests ${CMAKE_CURRENT_LIST_DIR}/mic_e_test.cpp)
target_link_libraries(mic_e_tests PRIVATE quilmo_aprs GTest::gtest_main)
gtest_discover_tests(mic_e_tests PROPERTIES LABELS unit)
