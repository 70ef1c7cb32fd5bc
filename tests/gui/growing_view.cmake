# Growing views: frame-rate painting against their models, rows, copy, font size.
add_executable(growing_view_test ${CMAKE_CURRENT_LIST_DIR}/growing_view_test.cpp ${CMAKE_CURRENT_LIST_DIR}/main_window_harness.h)
target_include_directories(growing_view_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(growing_view_test PRIVATE quilmo_app Qt6::Test)
add_test(NAME growing_view_test COMMAND growing_view_test)
set_tests_properties(growing_view_test PROPERTIES LABELS gui
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
