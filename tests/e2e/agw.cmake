# The session on the program's own device port, on an AGWPE server the test plays.
add_executable(agw_session_test ${CMAKE_CURRENT_LIST_DIR}/agw_session_test.cpp)
target_include_directories(agw_session_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../unit)
target_link_libraries(agw_session_test PRIVATE quilmo_app Qt6::Test Qt6::Network)
add_test(NAME agw_session_test COMMAND agw_session_test)
set_tests_properties(agw_session_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
