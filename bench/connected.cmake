# Connected transfers over a simulated radio channel: our data link against Dire Wolf's.
if(TARGET quilmo_app)
  add_executable(connected_transfer_bench ${CMAKE_CURRENT_LIST_DIR}/connected_transfer.cpp)
  target_include_directories(connected_transfer_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/e2e)
  target_link_libraries(connected_transfer_bench PRIVATE quilmo_app Qt6::Network)
  target_compile_definitions(connected_transfer_bench PRIVATE QUILMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
