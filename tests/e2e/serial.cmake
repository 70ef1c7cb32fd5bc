# The real QSerialPort against a pseudo-terminal that stands in for the TNC, alone and
# under the main window.
add_executable(serial_port_test ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(serial_port_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../gui)
target_link_libraries(serial_port_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME serial_port_test COMMAND serial_port_test)
set_tests_properties(serial_port_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
