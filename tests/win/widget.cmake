# The painter and the window under Wine, against the stand-in shell's functions. The libraries are
# named in link order: each before the shell functions it calls.
velnor_win_test(widget_painter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/widget_painter_test.cpp
  LIBS velnor_widget velnor_settings velnor_traffic kestrum_shell)
velnor_win_test(widget_window
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/widget_window_test.cpp
  LIBS velnor_widget velnor_settings velnor_traffic kestrum_shell)
# It presses Ctrl through SendInput, which the shared Xvfb and wineserver deliver late while other
# tests run beside it.
if(TARGET widget_window)
  set_tests_properties(widget_window PROPERTIES RUN_SERIAL TRUE)
endif()
velnor_win_test(widget_screen
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/widget_screen_test.cpp
  LIBS velnor_widget velnor_settings velnor_traffic kestrum_shell)
