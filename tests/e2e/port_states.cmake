# The real QSerialPort against a pseudo-terminal that stands in for the TNC, alone and under
# the main window; the window on a TCP server that comes and goes, the built program on
# tnc-sim --tcp, and tnc-sim --kiss as a program sees it.
add_executable(port_states_test ${CMAKE_CURRENT_LIST_DIR}/port_states_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(port_states_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../gui)
target_link_libraries(port_states_test PRIVATE quilmo_app Qt6::Test Qt6::Network)
target_compile_definitions(port_states_test PRIVATE QUILMO_BINARY="$<TARGET_FILE:quilmo>" TNC_SIM="$<TARGET_FILE:tnc-sim>")
add_dependencies(port_states_test quilmo tnc-sim)
add_test(NAME port_states_test COMMAND port_states_test)
set_tests_properties(port_states_test PROPERTIES LABELS e2e TIMEOUT 240
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
