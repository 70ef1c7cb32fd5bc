# The whole program over a pseudo-terminal standing in for the TNC: the real window
# with the real QSerialPort, and the built binary for the single-instance rule.
add_executable(app_pty_test ${CMAKE_CURRENT_LIST_DIR}/app_pty_test.cpp ${CMAKE_CURRENT_LIST_DIR}/app_far_end.h)
target_link_libraries(app_pty_test PRIVATE quilmo_app Qt6::Test)
target_include_directories(app_pty_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
add_test(NAME app_pty_test COMMAND app_pty_test)

add_executable(app_binary_test ${CMAKE_CURRENT_LIST_DIR}/app_binary_test.cpp ${CMAKE_CURRENT_LIST_DIR}/app_far_end.h)
target_link_libraries(app_binary_test PRIVATE Qt6::Test Qt6::Core)
target_include_directories(app_binary_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(app_binary_test PRIVATE QUILMO_BINARY="$<TARGET_FILE:quilmo>")
add_dependencies(app_binary_test quilmo)
add_test(NAME app_binary_test COMMAND app_binary_test)

set_tests_properties(app_pty_test app_binary_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
