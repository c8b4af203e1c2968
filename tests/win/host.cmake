# The stand-in shell's functions, linked into the test.
velnor_win_test(host_shell SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_shell_test.cpp LIBS kestrum_shell)
