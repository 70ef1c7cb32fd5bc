# The station filter and heard-stations windows, driven offscreen.
if(TARGET quilmo_app)
  add_executable(aprs_windows_test ${CMAKE_CURRENT_LIST_DIR}/aprs_windows_test.cpp)
  target_link_libraries(aprs_windows_test PRIVATE quilmo_app Qt6::Test)
  add_test(NAME aprs_windows_test COMMAND aprs_windows_test)
  set_tests_properties(aprs_windows_test PROPERTIES LABELS gui
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
endif()
