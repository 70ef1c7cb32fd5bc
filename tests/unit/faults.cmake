# Where the files live, the lock that cannot be made, the file-write notices.
add_executable(file_faults_test ${CMAKE_CURRENT_LIST_DIR}/file_faults_test.cpp)
target_link_libraries(file_faults_test PRIVATE quilmo_platform_core GTest::gtest_main)
gtest_discover_tests(file_faults_test PROPERTIES LABELS unit)
