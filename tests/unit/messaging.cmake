# APRS messaging, its SQLite store, the heard stations kept in it, the beacon and how each link sends a packet of ours.
add_executable(messaging_tests ${CMAKE_CURRENT_LIST_DIR}/messaging_test.cpp ${CMAKE_CURRENT_LIST_DIR}/message_store_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/station_test.cpp ${CMAKE_CURRENT_LIST_DIR}/transmit_budget_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/station_keep_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/memory_message_store.h)
target_link_libraries(messaging_tests PRIVATE quilmo_appcore quilmo_message_store GTest::gtest_main)
gtest_discover_tests(messaging_tests PROPERTIES LABELS unit)
target_compile_definitions(messaging_tests PRIVATE QUILMO_TEST_VERSION="${PROJECT_VERSION}")
