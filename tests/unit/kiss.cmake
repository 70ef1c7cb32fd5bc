add_executable(kiss_tests ${CMAKE_CURRENT_LIST_DIR}/kiss_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ax25_frames.h)
target_link_libraries(kiss_tests PRIVATE quilmo_terminal quilmo_aprs GTest::gtest_main)

# The shared packet corpus sits beside the checkout (one level further up in a worktree).
set(QUILMO_KISS_DATA_DIR "${PROJECT_SOURCE_DIR}/../shared/data")
if(NOT EXISTS "${QUILMO_KISS_DATA_DIR}" AND EXISTS "${PROJECT_SOURCE_DIR}/../../shared/data")
  set(QUILMO_KISS_DATA_DIR "${PROJECT_SOURCE_DIR}/../../shared/data")
endif()
target_compile_definitions(kiss_tests PRIVATE QUILMO_SHARED_DATA="${QUILMO_KISS_DATA_DIR}")
gtest_discover_tests(kiss_tests PROPERTIES LABELS unit)
