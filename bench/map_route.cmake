# map_route: what the route costs the live map (a 24-hour route to drawn, the page's script per
# position step with and without it, the bad inputs), in the real web engine under a virtual
# X server.
if(DERUZIZ_GUI)
  add_executable(map_route ${CMAKE_CURRENT_SOURCE_DIR}/map_route.cpp)
  target_link_libraries(map_route PRIVATE deruziz_gui Qt6::WebEngineWidgets Qt6::Test)
  target_include_directories(map_route PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(map_route deruziz_mapview)
endif()
