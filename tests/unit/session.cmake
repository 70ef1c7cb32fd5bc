# The link session on an in-memory port: Qt's event loop and timers, but no display.
if(QUILMO_GUI)
  add_executable(session_test ${CMAKE_CURRENT_LIST_DIR}/session_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ax25_frames.h
                              ${CMAKE_CURRENT_LIST_DIR}/fake_serial_port.h)
  target_link_libraries(session_test PRIVATE quilmo_app Qt6::Test)
  add_test(NAME session_test COMMAND session_test)
  set_tests_properties(session_test PROPERTIES LABELS unit ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
