if(benchmark_FOUND)
  add_executable(decoder_bench ${CMAKE_CURRENT_LIST_DIR}/decoder_bench.cpp)
  target_link_libraries(decoder_bench PRIVATE quilmo_aprs benchmark::benchmark)
endif()
