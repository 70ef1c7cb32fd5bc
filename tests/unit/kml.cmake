# KML track writer.
add_executable(kml_test ${CMAKE_CURRENT_LIST_DIR}/kml_track_test.cpp)
target_link_libraries(kml_test PRIVATE quilmo_kml GTest::gtest_main)
# Every written track is checked with xmllint (libxml2-utils) and ogrinfo (gdal-bin).
gtest_discover_tests(kml_test DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
