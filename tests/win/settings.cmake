# The shell's settings file and style under Wine, then the widget's settings and reload.
velnor_win_test(host_settings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_settings_test.cpp
  LIBS kestrum_shell)
velnor_win_test(settings_read
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_read_test.cpp
  LIBS velnor_settings kestrum_shell)
velnor_win_test(settings_reload
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reload_test.cpp
  LIBS velnor_settings kestrum_shell)
