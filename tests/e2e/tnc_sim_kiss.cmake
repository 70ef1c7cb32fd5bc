# tnc-sim --kiss as a program sees it: the capture arrives as KISS UI frames, and frames sent
# to it come out as monitor lines on its standard output.
add_executable(tnc_sim_kiss_test ${CMAKE_CURRENT_LIST_DIR}/tnc_sim_kiss_test.cpp)
target_link_libraries(tnc_sim_kiss_test PRIVATE quilmo_terminal Qt6::Test Qt6::Core)
target_compile_definitions(tnc_sim_kiss_test PRIVATE TNC_SIM="$<TARGET_FILE:tnc-sim>")
add_dependencies(tnc_sim_kiss_test tnc-sim)
add_test(NAME tnc_sim_kiss_test COMMAND tnc_sim_kiss_test)
set_tests_properties(tnc_sim_kiss_test PROPERTIES LABELS e2e TIMEOUT 60 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
