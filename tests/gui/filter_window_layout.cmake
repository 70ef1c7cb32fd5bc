# Where the station filter window puts its boxes, at full size and scaled down.
if(TARGET quilmo_aprs_gui)
  add_executable(filter_window_layout_test ${CMAKE_CURRENT_LIST_DIR}/filter_window_layout_test.cpp)
  target_link_libraries(filter_window_layout_test PRIVATE quilmo_aprs_gui Qt6::Widgets Qt6::Test)
  add_test(NAME filter_window_layout_test COMMAND filter_window_layout_test)
  set_tests_properties(filter_window_layout_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS gui)
endif()
