# The Messages window over 10,000 conversations: opening it, one message arriving while it
# is open, a stream of 5000 messages with it open and closed, and a message while another
# program holds the database's lock.
if(benchmark_FOUND AND TARGET quilmo_app)
  add_executable(messages_window_bench ${CMAKE_CURRENT_LIST_DIR}/messages_window_bench.cpp)
  target_link_libraries(messages_window_bench PRIVATE quilmo_app quilmo_message_store SQLite::SQLite3 benchmark::benchmark)
endif()
