# bench_playlist: adding a card of 10,000 clips with logs to the play list, against a bare
# scan that only reads the folders and stats the clips.
if(TARGET benchmark::benchmark)
  add_executable(bench_playlist ${CMAKE_CURRENT_LIST_DIR}/bench_playlist.cpp)
  target_link_libraries(bench_playlist PRIVATE deruziz_logic benchmark::benchmark)
  target_include_directories(bench_playlist PRIVATE ${CMAKE_SOURCE_DIR}/tests/logic ${CMAKE_SOURCE_DIR}/tests/support)
endif()
