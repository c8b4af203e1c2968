# The entry points, commands and menu in process, against the stand-in shell's functions and the
# scripted Iphlpapi.dll.
velnor_win_test(plugin_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/plugin_commands_test.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_entry_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/plugin_rig.cpp ${PROJECT_SOURCE_DIR}/src/plugin/entry.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(plugin_test)
# The tooltip of the running widget, opened by real pointer input. The pointer and the screen are
# shared, so nothing runs beside it.
velnor_win_test(tooltip_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tooltip_test.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_rig.cpp
          ${PROJECT_SOURCE_DIR}/src/plugin/entry.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(tooltip_test)
if(TARGET tooltip_test)
  set_tests_properties(tooltip_test PROPERTIES RUN_SERIAL TRUE)
endif()
# The usage ledger of the running widget, on the scripted table.
velnor_win_test(usage_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/usage_test.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_rig.cpp
          ${PROJECT_SOURCE_DIR}/src/plugin/entry.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(usage_test)
# The usage window: its picture in a memory DC, and the window of the running widget.
velnor_win_test(usage_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/usage_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_rig.cpp
          ${PROJECT_SOURCE_DIR}/src/plugin/entry.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(usage_window_test)
