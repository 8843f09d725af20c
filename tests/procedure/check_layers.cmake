# The procedure's stages include only what they build on:
#   driver (driver.cpp, module_entry.cpp) -> statements | data | engine_call | output;  output -> data (design columns)
# Every file may include the shared records below the stages (proc_run.h, host_link.h,
# shown_number.h) and the host's contract (host/api). Only engine_call.cpp includes the engine's
# header (quill/runscad.h); the stages include neither the driver nor each other, but for
# output's one walk of the design columns (data/design_columns.h).
#   cmake -DPROCEDURE=<procedure folder> -P check_layers.cmake
cmake_minimum_required(VERSION 3.20)
set(shared proc_run.h host_link.h shown_number.h grammar_descriptor.h routine_table.h module_interface.h)
set(drivers driver.cpp module_entry.cpp)
file(GLOB_RECURSE sources RELATIVE "${PROCEDURE}" "${PROCEDURE}/*.h" "${PROCEDURE}/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
  if(source MATCHES "/")
    string(REGEX MATCH "^[^/]+" stage "${source}")
  else()
    get_filename_component(stage "${source}" NAME_WE) # a file of the folder itself
  endif()
  file(STRINGS "${PROCEDURE}/${source}" includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" target "${line}")
    set(allowed FALSE)
    if(target IN_LIST shared)
      set(allowed TRUE)
    elseif(target MATCHES "^quill/")
      if(source STREQUAL "engine_call.cpp")
        set(allowed TRUE)
      endif()
    elseif(source IN_LIST drivers)
      set(allowed TRUE)
    elseif(target MATCHES "^${stage}/" OR target STREQUAL "${stage}.h")
      set(allowed TRUE) # its own stage
    elseif(stage STREQUAL "output" AND target STREQUAL "data/design_columns.h")
      set(allowed TRUE)
    endif()
    if(NOT allowed)
      list(APPEND violations "${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(violations)
  string(REPLACE ";" "\n  " listed "${violations}")
  message(FATAL_ERROR "Includes across the procedure's stages:\n  ${listed}")
endif()
