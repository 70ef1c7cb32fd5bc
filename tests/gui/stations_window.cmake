# The heard-stations window, driven offscreen over a table fed directly.
if(TARGET quilmo_aprs_gui)
  add_executable(stations_window_test ${CMAKE_CURRENT_LIST_DIR}/stations_window_test.cpp)
  target_link_libraries(stations_window_test PRIVATE quilmo_aprs_gui Qt6::Widgets Qt6::Test)
  add_test(NAME stations_window_test COMMAND stations_window_test)
  set_tests_properties(stations_window_test PROPERTIES LABELS gui
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
endif()
