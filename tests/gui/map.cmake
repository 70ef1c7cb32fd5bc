# The map window offscreen: the base map's land and sea, clusters parting as the view zooms,
# and tiles from a small HTTP server the test runs itself.
add_executable(map_window_test ${CMAKE_CURRENT_LIST_DIR}/map_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tile_server.h)
target_include_directories(map_window_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(map_window_test PRIVATE quilmo_app Qt6::Network Qt6::Test)
add_test(NAME map_window_test COMMAND map_window_test)
set_tests_properties(map_window_test PROPERTIES LABELS gui
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
# The same window on a 1024 x 768 screen: all of it, title bar included, on the screen.
add_executable(map_window_screen_test ${CMAKE_CURRENT_LIST_DIR}/map_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tile_server.h)
target_include_directories(map_window_screen_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(map_window_screen_test PRIVATE QUILMO_SMALL_SCREEN)
target_link_libraries(map_window_screen_test PRIVATE quilmo_app Qt6::Network Qt6::Test)
add_test(NAME map_window_screen_test COMMAND map_window_screen_test)
set_tests_properties(map_window_screen_test PROPERTIES LABELS gui ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
