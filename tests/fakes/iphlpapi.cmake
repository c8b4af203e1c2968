# The scripted Iphlpapi.dll: a test copies it beside its executable with
# velnor_use_fake_iphlpapi(<target>) and runs with WINEDLLOVERRIDES=iphlpapi=n,b.
if(WIN32)
  # The .def names the stdcall symbols of 32 bits (GetIfTable@12); x86_64 has one calling
  # convention and no such decorations, so there the aliases go.
  set(fake_def ${CMAKE_CURRENT_LIST_DIR}/fake_iphlpapi.def)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${fake_def})
    file(READ ${fake_def} fake_exports)
    string(REGEX REPLACE "[ \t]*=[ \t]*[A-Za-z0-9_]+@[0-9]+" "" fake_exports "${fake_exports}")
    set(fake_def ${CMAKE_BINARY_DIR}/fakes/fake_iphlpapi.def)
    file(CONFIGURE OUTPUT ${fake_def} CONTENT "${fake_exports}")
  endif()
  add_library(fake_iphlpapi SHARED ${CMAKE_CURRENT_LIST_DIR}/fake_iphlpapi.cpp ${fake_def})
  target_compile_options(fake_iphlpapi PRIVATE ${VELNOR_WARNINGS})
  target_link_libraries(fake_iphlpapi PRIVATE velnor_support)
  target_compile_definitions(fake_iphlpapi PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  set_target_properties(fake_iphlpapi PROPERTIES PREFIX "" OUTPUT_NAME Iphlpapi SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakes)
endif()
