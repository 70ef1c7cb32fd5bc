# Main-window tests: the real window on the offscreen platform with an in-memory port.
file(GLOB MAIN_WINDOW_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/main_window_*_test.cpp)
foreach(src ${MAIN_WINDOW_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${CMAKE_CURRENT_LIST_DIR}/main_window_harness.h)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(${name} PRIVATE quilmo_app Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS gui
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
endforeach()
