if(benchmark_FOUND)
  add_executable(station_table_bench ${CMAKE_CURRENT_LIST_DIR}/station_table_bench.cpp)
  target_link_libraries(station_table_bench PRIVATE quilmo_aprs benchmark::benchmark)
endif()
