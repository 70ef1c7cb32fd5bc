# Keys and macros through the main window to a pseudo-terminal with the real QSerialPort.
add_executable(keys_test ${CMAKE_CURRENT_LIST_DIR}/keys_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(keys_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../gui)
target_link_libraries(keys_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME keys_test COMMAND keys_test)
set_tests_properties(keys_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
