# Runs one SAS-language program with quill and checks it against its .expect file.
#
#   cmake -DQUILL=<quill> -DPROGRAM=<file.sas> -DEXPECT=<file.expect> -DWORKDIR=<dir> [-DMODULES=<dir>]
#         -P run_program.cmake
#
# The program runs in a fresh WORKDIR, with its log and listing written there (NAME.log, NAME.lst),
# the folder MODULES (the test procedure HOSTTEST's) on the module path,
# the WORK library kept in WORKDIR/work, the libref HERE assigned to the program's own folder and
# the libref EXAMPLES to the data of the shipped examples (examples/data); the link "here" in
# WORKDIR leads to the program's folder.
# Lines of the .expect file ('#' starts a comment line):
#   exit: N                 the exit status must be N
#   log: TEXT / lst: TEXT / out: TEXT   some line of the log / listing / standard output contains
#                           TEXT; successive lines of one kind must match successive lines, in order
#   nolog: TEXT / nolst: TEXT / noout: TEXT   no line contains TEXT
#   file: NAME / nofile: NAME   NAME exists / does not exist in WORKDIR afterwards
#   xml: NAME               NAME in WORKDIR is well-formed XML (checked by xmllint)
#   has: NAME TEXT          the file NAME in WORKDIR contains TEXT
#   noerr: TEXT             no line of quill's standard error contains TEXT
#   env: NAME=VALUE         set in the environment of quill
#   args: A B ...           more arguments for quill (e.g. -print -)
cmake_minimum_required(VERSION 3.20)

foreach(required QUILL PROGRAM EXPECT WORKDIR)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_program.cmake needs -D${required}=...")
  endif()
endforeach()

# Lines of a file as a CMake list; ';', '[' and ']' are escaped so that any text survives.
function(read_lines file out)
  if(NOT EXISTS "${file}")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  file(READ "${file}" content)
  string(REPLACE "\r" "" content "${content}")
  string(REPLACE ";" "<semicolon>" content "${content}")
  string(REPLACE "[" "<open>" content "${content}")
  string(REPLACE "]" "<close>" content "${content}")
  string(REPLACE "\n" ";" content "${content}")
  set(${out} "${content}" PARENT_SCOPE)
endfunction()

function(unescape text out)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "<open>" "[" text "${text}")
  string(REPLACE "<close>" "]" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

read_lines("${EXPECT}" expectations)
set(environment "")
set(arguments "")
foreach(line IN LISTS expectations)
  if(line MATCHES "^env: (.*)$")
    unescape("${CMAKE_MATCH_1}" value)
    list(APPEND environment "${value}")
  elseif(line MATCHES "^args: (.*)$")
    unescape("${CMAKE_MATCH_1}" value)
    separate_arguments(value UNIX_COMMAND "${value}")
    list(APPEND arguments ${value})
  endif()
endforeach()

if(DEFINED MODULES)
  list(APPEND arguments -modules "${MODULES}")
endif()

file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
get_filename_component(program_name "${PROGRAM}" NAME_WE)
get_filename_component(program_dir "${PROGRAM}" DIRECTORY)
# A LIBNAME statement reaches files beside the program through the link "here" in WORKDIR.
file(CREATE_LINK "${program_dir}" "${WORKDIR}/here" SYMBOLIC)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${environment}
          "${QUILL}" "${PROGRAM}" -work "${WORKDIR}/work" -lib "here=${program_dir}"
          -lib "examples=${CMAKE_CURRENT_LIST_DIR}/../../examples/data" ${arguments}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE stdout
  ERROR_VARIABLE stderr)

read_lines("${WORKDIR}/${program_name}.log" log_lines)
read_lines("${WORKDIR}/${program_name}.lst" lst_lines)
file(WRITE "${WORKDIR}/stdout.txt" "${stdout}")
read_lines("${WORKDIR}/stdout.txt" out_lines)
file(WRITE "${WORKDIR}/stderr.txt" "${stderr}")
read_lines("${WORKDIR}/stderr.txt" err_lines)
list(LENGTH log_lines log_count)
list(LENGTH lst_lines lst_count)
list(LENGTH out_lines out_count)
set(log_next 0)
set(lst_next 0)
set(out_next 0)
set(problems "")

foreach(line IN LISTS expectations)
  if(line STREQUAL "" OR line MATCHES "^#" OR line MATCHES "^(env|args): ")
    continue()
  endif()
  if(NOT line MATCHES "^(exit|log|lst|out|nolog|nolst|noout|noerr|file|nofile|xml|has): ?(.*)$")
    unescape("${line}" shown)
    string(APPEND problems "  unknown expectation: ${shown}\n")
    continue()
  endif()
  set(kind "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")
  unescape("${text}" shown)
  if(kind STREQUAL "exit")
    if(NOT status STREQUAL text)
      string(APPEND problems "  exit status ${status}, expected ${text}\n")
    endif()
  elseif(kind STREQUAL "log" OR kind STREQUAL "lst" OR kind STREQUAL "out")
    set(found -1)
    set(count ${${kind}_count})
    set(index ${${kind}_next})
    while(index LESS count)
      list(GET ${kind}_lines ${index} candidate)
      string(FIND "${candidate}" "${text}" at)
      if(at GREATER -1)
        set(found ${index})
        break()
      endif()
      math(EXPR index "${index} + 1")
    endwhile()
    if(found EQUAL -1)
      string(APPEND problems "  no ${kind} line (after line ${${kind}_next}) contains: ${shown}\n")
    else()
      math(EXPR ${kind}_next "${found} + 1")
    endif()
  elseif(kind STREQUAL "nolog" OR kind STREQUAL "nolst" OR kind STREQUAL "noout" OR kind STREQUAL "noerr")
    string(SUBSTRING "${kind}" 2 -1 which)
    foreach(candidate IN LISTS ${which}_lines)
      string(FIND "${candidate}" "${text}" at)
      if(at GREATER -1)
        unescape("${candidate}" shown_line)
        string(APPEND problems "  a ${which} line contains what it must not: ${shown_line}\n")
        break()
      endif()
    endforeach()
  elseif(kind STREQUAL "file")
    if(NOT EXISTS "${WORKDIR}/${shown}")
      string(APPEND problems "  missing file: ${shown}\n")
    endif()
  elseif(kind STREQUAL "xml")
    execute_process(COMMAND xmllint --noout "${WORKDIR}/${shown}" RESULT_VARIABLE xml_status
                    ERROR_VARIABLE xml_errors)
    if(NOT xml_status EQUAL 0)
      string(APPEND problems "  not well-formed XML: ${shown} ${xml_errors}\n")
    endif()
  elseif(kind STREQUAL "has")
    string(REGEX MATCH "^([^ ]+) (.*)$" pair "${shown}")
    set(content "")
    if(EXISTS "${WORKDIR}/${CMAKE_MATCH_1}")
      file(READ "${WORKDIR}/${CMAKE_MATCH_1}" content)
    endif()
    string(FIND "${content}" "${CMAKE_MATCH_2}" at)
    if(at EQUAL -1)
      string(APPEND problems "  ${CMAKE_MATCH_1} does not contain: ${CMAKE_MATCH_2}\n")
    endif()
  elseif(kind STREQUAL "nofile")
    if(EXISTS "${WORKDIR}/${shown}")
      string(APPEND problems "  file should not exist: ${shown}\n")
    endif()
  endif()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${PROGRAM}:\n${problems}Log: ${WORKDIR}/${program_name}.log\n${stderr}")
endif()
