if(benchmark_FOUND)
  add_executable(kiss_bench ${CMAKE_CURRENT_LIST_DIR}/kiss_bench.cpp)
  target_link_libraries(kiss_bench PRIVATE quilmo_terminal benchmark::benchmark)
endif()
