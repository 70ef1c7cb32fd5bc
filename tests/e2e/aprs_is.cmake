# The session on the program's own device port, logged in to an APRS-IS server the test plays.
add_executable(aprs_is_test ${CMAKE_CURRENT_LIST_DIR}/aprs_is_test.cpp)
target_include_directories(aprs_is_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(aprs_is_test PRIVATE quilmo_app Qt6::Test Qt6::Network)
target_compile_definitions(aprs_is_test PRIVATE QUILMO_TEST_VERSION="${PROJECT_VERSION}")
add_test(NAME aprs_is_test COMMAND aprs_is_test)
set_tests_properties(aprs_is_test PROPERTIES LABELS e2e TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
