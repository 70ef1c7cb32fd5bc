add_executable(aprs_tests ${CMAKE_CURRENT_LIST_DIR}/aprs_test.cpp)
target_link_libraries(aprs_tests PRIVATE quilmo_aprs GTest::gtest_main)

# The shared packet corpus sits beside the checkout (one level further up in a worktree).
set(QUILMO_SHARED_DATA_DIR "${PROJECT_SOURCE_DIR}/../shared/data")
if(NOT EXISTS "${QUILMO_SHARED_DATA_DIR}" AND EXISTS "${PROJECT_SOURCE_DIR}/../../shared/data")
  set(QUILMO_SHARED_DATA_DIR "${PROJECT_SOURCE_DIR}/../../shared/data")
endif()
target_compile_definitions(aprs_tests PRIVATE QUILMO_SHARED_DATA="${QUILMO_SHARED_DATA_DIR}")
gtest_discover_tests(aprs_tests PROPERTIES LABELS unit)
