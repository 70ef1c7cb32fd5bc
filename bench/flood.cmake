# bench/flood's source of text without line ends; plain POSIX like tnc-sim.
add_executable(flood-writer ${CMAKE_CURRENT_LIST_DIR}/flood_writer.cpp)
target_include_directories(flood-writer PRIVATE ${PROJECT_SOURCE_DIR})
