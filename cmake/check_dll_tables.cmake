cmake_minimum_required(VERSION 3.25)
# Fails on a 32-bit DLL above 150 KB, an export other than the entry points, a format other than
# FORMAT (pei-i386 or pei-x86-64), an import from a DLL that is not part of Windows, or a function
# imported from kestrum.exe that the shell interface does not declare (Wine would stub it silently
# and crash when it is called).
set(entry_points pluginInfo beginPlugin beginSlitPlugin beginPluginEx endPlugin)
set(system_dlls kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll shell32.dll ntdll.dll
    comctl32.dll api-ms-win-crt-runtime-l1-1-0.dll)

include(${CMAKE_CURRENT_LIST_DIR}/pe_tables.cmake)

velnor_def_names(${EXPORTS_DEF} declared_exports)
velnor_def_names(${SHELL_DEF} shell_functions)

velnor_objdump_lines(${OBJDUMP} ${DLL} lines)
list(JOIN lines "\n" dump)
if(NOT dump MATCHES "file format ${FORMAT}")
  message(FATAL_ERROR "${DLL} is not a ${FORMAT} image")
endif()

set(failures "")
set(exports "")
set(section "")
set(dll "")
set(shell_imports 0)
foreach(line IN LISTS lines)
  if(line MATCHES "<Ordinal/Name Pointer> Table")
    set(section exports)
  elseif(line MATCHES "^\tDLL Name: (.+)$")
    set(section imports)
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(FIND system_dlls "${dll}" known)
    if(known EQUAL -1 AND NOT dll STREQUAL "kestrum.exe")
      list(APPEND failures "imports from ${dll}, which is not a Windows system DLL")
    endif()
  elseif(section STREQUAL "exports" AND line MATCHES "^\t< *[0-9]+> ([A-Za-z0-9_@]+)")
    list(APPEND exports ${CMAKE_MATCH_1})
  elseif(section STREQUAL "imports" AND dll STREQUAL "kestrum.exe"
         AND line MATCHES "^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+([A-Za-z0-9_@]+)")
    math(EXPR shell_imports "${shell_imports} + 1")
    list(FIND shell_functions ${CMAKE_MATCH_1} known)
    if(known EQUAL -1)
      list(APPEND failures "imports ${CMAKE_MATCH_1} from kestrum.exe, which the shell does not declare")
    endif()
  elseif(line STREQUAL "")
    set(section "")
  endif()
endforeach()

foreach(name IN LISTS exports)
  list(FIND entry_points ${name} known)
  if(known EQUAL -1)
    list(APPEND failures "exports ${name}, which is not an entry point")
  endif()
endforeach()
foreach(name IN LISTS declared_exports)
  list(FIND exports ${name} found)
  if(found EQUAL -1)
    list(APPEND failures "does not export ${name}")
  endif()
endforeach()

# The plug-in calls the shell: no function read from kestrum.exe means the table was misread.
if(shell_imports EQUAL 0)
  list(APPEND failures "no function imported from kestrum.exe was found in the import table")
endif()

# The DLL the shell loads stays small: a C++ runtime pulled in by accident (a function-local static
# with a guard links its thread support) doubles it.
file(SIZE ${DLL} dll_size)
if(FORMAT STREQUAL "pei-i386" AND dll_size GREATER 153600)
  list(APPEND failures "is ${dll_size} bytes, above 150 KB")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
message(STATUS "exports: ${exports}")
