# The running widget in process: the test's sources with the rig and the entry points, against
# the stand-in shell's functions and the scripted Iphlpapi.dll.
function(velnor_plugin_test name)
  list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/)
  velnor_win_test(${name}
    SOURCES ${ARGN} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/plugin_rig.cpp
            ${PROJECT_SOURCE_DIR}/src/plugin/entry.cpp
    LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
    ENV WINEDLLOVERRIDES=iphlpapi=n,b)
  velnor_use_fake_iphlpapi(${name})
endfunction()

# The entry points, commands and menu.
velnor_plugin_test(plugin_test plugin_commands_test.cpp plugin_entry_test.cpp)
# The tooltip, opened by real pointer input. The pointer and the screen are shared, so nothing
# runs beside it.
velnor_plugin_test(tooltip_test tooltip_test.cpp)
if(TARGET tooltip_test)
  set_tests_properties(tooltip_test PROPERTIES RUN_SERIAL TRUE)
endif()
# The usage ledger, on the scripted table.
velnor_plugin_test(usage_test usage_test.cpp)
# The usage window: its picture in a memory DC, and the window of the running widget, clicked
# by real pointer input: nothing runs beside it.
velnor_plugin_test(usage_window_test usage_window_test.cpp)
if(TARGET usage_window_test)
  set_tests_properties(usage_window_test PROPERTIES RUN_SERIAL TRUE)
endif()
