# The play path in figures (bench/playback/run): start to playing, CPU and memory of the
# program beside a bare libVLC player, and the open/play/pause/stop soak (scripts/soak).
if(DERUZIZ_GUI)
  set(DERUZIZ_PLAYBACK_DIR ${CMAKE_CURRENT_LIST_DIR}/playback)
  set(DERUZIZ_PLAYBACK_DEFINITIONS
    DERUZIZ_BINARY_DIR="${CMAKE_BINARY_DIR}"
    DERUZIZ_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")

  add_library(deruziz_playback_bench STATIC
    ${DERUZIZ_PLAYBACK_DIR}/benchcard.cpp
    ${DERUZIZ_PLAYBACK_DIR}/proctree.cpp
    ${DERUZIZ_PLAYBACK_DIR}/startwatch.cpp)
  target_include_directories(deruziz_playback_bench PUBLIC ${DERUZIZ_PLAYBACK_DIR} ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(deruziz_playback_bench PUBLIC deruziz_gui)
  target_compile_definitions(deruziz_playback_bench PRIVATE ${DERUZIZ_PLAYBACK_DEFINITIONS})

  # Qt Widgets and libVLC only, so that its memory is the engine's and a window's, no more.
  add_executable(bare_player ${DERUZIZ_PLAYBACK_DIR}/bare_player.cpp)
  target_include_directories(bare_player PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(bare_player PRIVATE Qt6::Widgets PkgConfig::LIBVLC X11::X11 ${CMAKE_DL_LIBS})

  add_executable(bench_playback ${DERUZIZ_PLAYBACK_DIR}/bench_playback.cpp)
  target_link_libraries(bench_playback PRIVATE deruziz_playback_bench)
  target_compile_definitions(bench_playback PRIVATE ${DERUZIZ_PLAYBACK_DEFINITIONS}
    DERUZIZ_EXE="$<TARGET_FILE:deruziz>"
    DERUZIZ_BARE_PLAYER="$<TARGET_FILE:bare_player>")
  add_dependencies(bench_playback deruziz deruziz_mapview bare_player)

  add_executable(soak_playback ${DERUZIZ_PLAYBACK_DIR}/soak.cpp)
  target_link_libraries(soak_playback PRIVATE deruziz_playback_bench)
  target_compile_definitions(soak_playback PRIVATE ${DERUZIZ_PLAYBACK_DEFINITIONS})
  add_dependencies(soak_playback deruziz_mapview)
endif()
