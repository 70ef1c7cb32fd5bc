add_executable(port_text_test ${CMAKE_CURRENT_LIST_DIR}/port_text_test.cpp)
target_link_libraries(port_text_test PRIVATE quilmo_appcore GTest::gtest_main)
gtest_discover_tests(port_text_test PROPERTIES LABELS unit)
