# The map with 100,000 stations and 1,000,000 track points: frame time at three zooms, the
# scene rebuilt from the table, the base map loaded (map_bench), and resident memory
# (map_memory, which prints it).
if(TARGET quilmo_app)
  if(benchmark_FOUND)
    add_executable(map_bench ${CMAKE_CURRENT_LIST_DIR}/map_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/map_data.h)
    target_link_libraries(map_bench PRIVATE quilmo_app benchmark::benchmark)
  endif()
  add_executable(map_memory ${CMAKE_CURRENT_LIST_DIR}/map_memory.cpp ${CMAKE_CURRENT_LIST_DIR}/map_data.h)
  target_link_libraries(map_memory PRIVATE quilmo_app)
endif()
