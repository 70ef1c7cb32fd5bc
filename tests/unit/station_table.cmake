# The heard-stations table; its CSV is read back by python3's csv module.
find_package(Python3 COMPONENTS Interpreter QUIET)
set(QUILMO_PYTHON3 "${Python3_EXECUTABLE}")
if(NOT QUILMO_PYTHON3)
  set(QUILMO_PYTHON3 python3)  # not found at configure time: the CSV test fails and says so
endif()
add_executable(station_table_tests ${CMAKE_CURRENT_LIST_DIR}/station_table_test.cpp)
target_link_libraries(station_table_tests PRIVATE quilmo_aprs GTest::gtest_main)
target_compile_definitions(station_table_tests PRIVATE QUILMO_PYTHON3="${QUILMO_PYTHON3}")
gtest_discover_tests(station_table_tests PROPERTIES LABELS unit)
