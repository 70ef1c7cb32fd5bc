# The app core and the main window's layout, which is plain arithmetic and tested without Qt.
add_executable(config_test ${CMAKE_CURRENT_LIST_DIR}/config_test.cpp)
target_link_libraries(config_test PRIVATE quilmo_appcore GTest::gtest_main)
gtest_discover_tests(config_test PROPERTIES LABELS unit)

if(QUILMO_GUI)
  add_executable(qt_text_test ${CMAKE_CURRENT_LIST_DIR}/qt_text_test.cpp)
  target_link_libraries(qt_text_test PRIVATE quilmo_platform GTest::gtest_main)
  gtest_discover_tests(qt_text_test PROPERTIES LABELS unit)
endif()
