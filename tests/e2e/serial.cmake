# The real QSerialPort against a pseudo-terminal that stands in for the TNC.
add_executable(serial_port_test ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp)
target_link_libraries(serial_port_test PRIVATE quilmo_platform Qt6::Test)
add_test(NAME serial_port_test COMMAND serial_port_test)
set_tests_properties(serial_port_test PROPERTIES LABELS e2e TIMEOUT 120)
