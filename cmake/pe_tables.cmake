# Shared by the checks of the built images' tables and by the build of kestrum.exe's exports.

# velnor_def_names(file out): the names a .def file lists.
function(velnor_def_names file out)
  file(STRINGS ${file} lines)
  set(names "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^(LIBRARY|NAME|EXPORTS)" AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# velnor_objdump_lines(objdump image out): `objdump -p` of the image as a list of lines. Brackets
# would keep CMake from splitting the list, so they read as < and >; semicolons as commas.
function(velnor_objdump_lines objdump image out)
  execute_process(COMMAND ${objdump} -p ${image} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${image}")
  endif()
  string(REPLACE "[" "<" dump "${dump}")
  string(REPLACE "]" ">" dump "${dump}")
  string(REPLACE ";" "," dump "${dump}")
  string(REPLACE "\n" ";" lines "${dump}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
