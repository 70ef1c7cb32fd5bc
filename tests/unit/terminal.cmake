# The terminal core and KISS; the whole packet capture goes through the KISS monitor.
add_executable(terminal_tests ${CMAKE_CURRENT_LIST_DIR}/terminal_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ax25_frames.h)
target_link_libraries(terminal_tests PRIVATE quilmo_terminal quilmo_aprs GTest::gtest_main)
set(QUILMO_KISS_DATA_DIR "${PROJECT_SOURCE_DIR}/data")
target_compile_definitions(terminal_tests PRIVATE QUILMO_SHARED_DATA="${QUILMO_KISS_DATA_DIR}")
gtest_discover_tests(terminal_tests PROPERTIES LABELS unit)
