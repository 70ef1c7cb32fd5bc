add_executable(aprs_tests ${CMAKE_CURRENT_LIST_DIR}/aprs_test.cpp)
target_link_libraries(aprs_tests PRIVATE quilmo_aprs quilmo_kml GTest::gtest_main)
# Every written KML track is checked with xmllint (libxml2-utils) and ogrinfo (gdal-bin).

# The packet corpus is kept in the repository, so no test depends on what lies beside it.
set(QUILMO_SHARED_DATA_DIR "${PROJECT_SOURCE_DIR}/data")
# The heard-stations table's CSV is read back by python3's csv module.
find_package(Python3 COMPONENTS Interpreter QUIET)
set(QUILMO_PYTHON3 "${Python3_EXECUTABLE}")
if(NOT QUILMO_PYTHON3)
  set(QUILMO_PYTHON3 python3)  # not found at configure time: the CSV test fails and says so
endif()
target_compile_definitions(aprs_tests PRIVATE QUILMO_SHARED_DATA="${QUILMO_SHARED_DATA_DIR}" QUILMO_PYTHON3="${QUILMO_PYTHON3}")
# quilmo-decode is run as a program on small captures.
target_compile_definitions(aprs_tests PRIVATE QUILMO_DECODE_BIN="$<TARGET_FILE:quilmo-decode>")
add_dependencies(aprs_tests quilmo-decode)
gtest_discover_tests(aprs_tests PROPERTIES LABELS unit)
