# map_page_ready: time from NavigateResource("GPS_VIEW.HTML") to the page's
# CB_SetGPSPageInitialized, in the real web engine (run under a virtual X server);
# with --screenshots DIR it also saves the start page and the live page.
if(DERUZIZ_GUI)
  add_executable(map_page_ready ${CMAKE_CURRENT_SOURCE_DIR}/map_page_ready.cpp)
  target_link_libraries(map_page_ready PRIVATE deruziz_gui Qt6::WebEngineWidgets)
  target_include_directories(map_page_ready PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(map_page_ready deruziz_mapview)
endif()
