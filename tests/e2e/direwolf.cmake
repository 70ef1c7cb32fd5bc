# Connected sessions against Dire Wolf's AX.25 stack on a simulated channel (dw-pair beside
# the repository, or QUILMO_DW_PAIR); skipped with the reason when either is missing. Run
# once with our own data link on Dire Wolf's KISS port and once on its AGW port, side by
# side: each transfer is minutes of 1200-baud airtime and each case runs on a clean and a
# fading channel, hence the long timeouts.
add_executable(direwolf_test ${CMAKE_CURRENT_LIST_DIR}/direwolf_test.cpp ${CMAKE_CURRENT_LIST_DIR}/dw_rig.h)
target_include_directories(direwolf_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(direwolf_test PRIVATE quilmo_app Qt6::Test Qt6::Network)
target_compile_definitions(direwolf_test PRIVATE QUILMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
foreach(link kiss agw)
  add_test(NAME direwolf_${link}_test COMMAND direwolf_test)
  set_tests_properties(direwolf_${link}_test PROPERTIES LABELS e2e TIMEOUT 3600
    SKIP_REGULAR_EXPRESSION "SKIP   : DireWolfTest::initTestCase"
    ENVIRONMENT "QUILMO_DW_LINK=${link};QTEST_FUNCTION_TIMEOUT=2400000;QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
endforeach()
