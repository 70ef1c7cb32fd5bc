# The main window's computed layout is plain arithmetic: tested without Qt.
add_executable(layout_test ${CMAKE_CURRENT_LIST_DIR}/layout_test.cpp ${PROJECT_SOURCE_DIR}/app/layout.cpp)
target_include_directories(layout_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(layout_test PRIVATE GTest::gtest_main)
gtest_discover_tests(layout_test PROPERTIES LABELS unit)
