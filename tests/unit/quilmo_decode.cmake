# End-to-end checks of the quilmo-decode tool: it is run as a program on small captures.
add_executable(quilmo_decode_tests ${CMAKE_CURRENT_LIST_DIR}/quilmo_decode_test.cpp)
target_link_libraries(quilmo_decode_tests PRIVATE quilmo_platform_core GTest::gtest_main)
target_compile_definitions(quilmo_decode_tests PRIVATE QUILMO_DECODE_BIN="$<TARGET_FILE:quilmo-decode>")
add_dependencies(quilmo_decode_tests quilmo-decode)
gtest_discover_tests(quilmo_decode_tests PROPERTIES LABELS unit)
