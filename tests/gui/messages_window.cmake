# The Messages window over a messaging object of its own, driven offscreen.
add_executable(messages_window_test ${CMAKE_CURRENT_LIST_DIR}/messages_window_test.cpp)
target_link_libraries(messages_window_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME messages_window_test COMMAND messages_window_test)
set_tests_properties(messages_window_test PROPERTIES LABELS gui
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
