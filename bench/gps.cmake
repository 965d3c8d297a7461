if(TARGET benchmark::benchmark)
  add_executable(bench_gps ${CMAKE_CURRENT_LIST_DIR}/bench_gps.cpp)
  target_link_libraries(bench_gps PRIVATE deruziz_logic benchmark::benchmark)
  target_compile_definitions(bench_gps PRIVATE
    DERUZIZ_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
endif()
