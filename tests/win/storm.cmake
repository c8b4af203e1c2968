# Random broadcasts, reconfigures, menus and settings rewrites against a running widget in one
# process, against the scripted Iphlpapi.dll.
velnor_win_test(storm
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/storm_test.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(storm)
