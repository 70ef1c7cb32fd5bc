# The map's Qt-free core: projection and tiles, the station index, the base-map file, the
# screen geometry, and the heard positions per station.
add_executable(map_tests ${CMAKE_CURRENT_LIST_DIR}/map_test.cpp)
target_link_libraries(map_tests PRIVATE quilmo_map quilmo_aprs GTest::gtest_main)
target_compile_definitions(map_tests PRIVATE QUILMO_BASEMAP="${PROJECT_SOURCE_DIR}/data/world-50m.basemap")
gtest_discover_tests(map_tests PROPERTIES LABELS unit)
