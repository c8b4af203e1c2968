# Long runs of a running widget in one process, against the scripted Iphlpapi.dll. The shell's
# reading functions are served from memory by the test itself (see soak_test.cpp).
velnor_win_test(soak
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp
  LIBS velnor_plugin velnor_widget velnor_settings velnor_traffic kestrum_shell
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(soak)
if(WIN32)
  target_link_options(soak PRIVATE
    -Wl,--wrap=ReadInt,--wrap=ReadBool,--wrap=ReadColor,--wrap=ReadString)
endif()
