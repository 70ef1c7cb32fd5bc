# The terminal core (bounded views, sending, logs, macros) and where its files live, the lock
# that cannot be made and the file-write notices.
add_executable(terminal_tests ${CMAKE_CURRENT_LIST_DIR}/terminal_test.cpp)
target_link_libraries(terminal_tests PRIVATE quilmo_terminal GTest::gtest_main)
gtest_discover_tests(terminal_tests PROPERTIES LABELS unit)
