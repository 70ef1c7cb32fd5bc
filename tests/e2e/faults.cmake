# The built program under real faults: stop signals, a folder it cannot write, an installed copy.
add_executable(faults_binary_test ${CMAKE_CURRENT_LIST_DIR}/faults_binary_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pty_far_end.h)
target_include_directories(faults_binary_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(faults_binary_test PRIVATE Qt6::Test Qt6::Core)
target_compile_definitions(faults_binary_test PRIVATE QUILMO_BINARY="$<TARGET_FILE:quilmo>")
add_dependencies(faults_binary_test quilmo)
add_test(NAME faults_binary_test COMMAND faults_binary_test)
set_tests_properties(faults_binary_test PROPERTIES LABELS e2e TIMEOUT 180
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
