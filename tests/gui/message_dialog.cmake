# The message box that fits its screen, built offscreen without showing it modally.
add_executable(message_dialog_test ${CMAKE_CURRENT_LIST_DIR}/message_dialog_test.cpp)
target_link_libraries(message_dialog_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME message_dialog_test COMMAND message_dialog_test)
set_tests_properties(message_dialog_test PROPERTIES LABELS gui
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
