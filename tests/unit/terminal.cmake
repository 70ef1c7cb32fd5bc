file(GLOB TERMINAL_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/terminal_*_test.cpp)
add_executable(terminal_tests ${TERMINAL_TEST_SOURCES})
target_link_libraries(terminal_tests PRIVATE quilmo_terminal GTest::gtest_main)
gtest_discover_tests(terminal_tests PROPERTIES LABELS unit)
