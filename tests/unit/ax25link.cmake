# The AX.25 data link: connected-mode frames, the link state machine on a fake clock, the
# manager of links, and two links trading data over a bad channel.
add_executable(ax25link_tests ${CMAKE_CURRENT_LIST_DIR}/ax25link_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ax25_frames.h)
target_link_libraries(ax25link_tests PRIVATE quilmo_ax25 GTest::gtest_main)
gtest_discover_tests(ax25link_tests PROPERTIES LABELS unit)
# The TNC-2 command line in front of the data link, and TNCs talking to each other.
add_executable(tnc_tests ${CMAKE_CURRENT_LIST_DIR}/tnc_test.cpp)
target_link_libraries(tnc_tests PRIVATE quilmo_ax25 GTest::gtest_main)
gtest_discover_tests(tnc_tests PROPERTIES LABELS unit)
