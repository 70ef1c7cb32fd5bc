# An AGWPE server's frames: the codec, our frames as the server is asked to send them, and
# the TNC's command line on connections the server runs.
add_executable(agw_tests ${CMAKE_CURRENT_LIST_DIR}/agw_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ax25_frames.h)
target_link_libraries(agw_tests PRIVATE quilmo_ax25 GTest::gtest_main)
gtest_discover_tests(agw_tests PROPERTIES LABELS unit)
