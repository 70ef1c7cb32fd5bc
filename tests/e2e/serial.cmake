# The real QSerialPort against a pseudo-terminal that stands in for the TNC, alone and
# under the main window.
add_executable(serial_port_test ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(serial_port_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../gui)
target_link_libraries(serial_port_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME serial_port_test COMMAND serial_port_test)

# The built binary in a program directory of its own, for the single-instance rule.
add_executable(app_binary_test ${CMAKE_CURRENT_LIST_DIR}/app_binary_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(app_binary_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(app_binary_test PRIVATE Qt6::Test Qt6::Core)
target_compile_definitions(app_binary_test PRIVATE QUILMO_BINARY="$<TARGET_FILE:quilmo>")
add_dependencies(app_binary_test quilmo)
add_test(NAME app_binary_test COMMAND app_binary_test)

set_tests_properties(serial_port_test app_binary_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
