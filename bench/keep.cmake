# The start with a full store of heard stations and tracks: the time until the window shows.
if(TARGET quilmo_app)
  add_executable(keep_load_bench ${CMAKE_CURRENT_LIST_DIR}/keep_load.cpp)
  target_link_libraries(keep_load_bench PRIVATE quilmo_app)
endif()
