# tracking: how closely the shown record follows a 60-second clip, and the time from a seek to
# the new second's record, in the real window with libVLC and the web engine (run under a
# virtual X server). It makes its clip with the tests' clip maker, so it needs the tests built.
if(DERUZIZ_GUI AND TARGET deruziz_testclips)
  add_executable(tracking ${CMAKE_CURRENT_SOURCE_DIR}/tracking.cpp)
  target_link_libraries(tracking PRIVATE deruziz_gui deruziz_testclips Qt6::Test)
  target_include_directories(tracking PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(tracking deruziz_mapview)
endif()
