if(TARGET benchmark::benchmark)
  add_executable(bench_gps ${CMAKE_CURRENT_LIST_DIR}/bench_gps.cpp)
  target_link_libraries(bench_gps PRIVATE deruziz_logic benchmark::benchmark)
  target_include_directories(bench_gps PRIVATE ${CMAKE_SOURCE_DIR}/tests/logic ${CMAKE_SOURCE_DIR}/tests/support)
  target_compile_definitions(bench_gps PRIVATE
    DERUZIZ_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  # The GPX reader needs Qt Core, which the logic-only build does not have.
  if(TARGET deruziz_gpx)
    target_link_libraries(bench_gps PRIVATE deruziz_gpx)
    target_compile_definitions(bench_gps PRIVATE DERUZIZ_BENCH_GPX)
  endif()
endif()
