# bench_skin: cost of one paint of the speed gauge and of the progress slider, and the
# memory allocations a paint makes beyond its off-screen surface.
if(TARGET benchmark::benchmark AND TARGET deruziz_gui)
  add_executable(bench_skin ${CMAKE_CURRENT_LIST_DIR}/bench_skin.cpp)
  target_link_libraries(bench_skin PRIVATE deruziz_gui benchmark::benchmark)
endif()
