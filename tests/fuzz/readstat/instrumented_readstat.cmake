# The fuzz build's ReadStat: Debian's source of the package (fetch_source.sh), compiled with the
# fuzz build's coverage and sanitizers, so that the `sas` target sees the reader's own branches
# (the system's library is opaque to libFuzzer) and a fault in it is reported where it is. Only
# the core and the SAS formats are built: the host reads and writes nothing else. Included before
# host/, whose search for ReadStat then takes these instead of the system's.
set(readstat_source ${CMAKE_BINARY_DIR}/readstat-source)
execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/fetch_source.sh ${readstat_source} RESULT_VARIABLE fetched)
if(NOT fetched EQUAL 0)
  message(FATAL_ERROR "The source of readstat could not be fetched (see above); -DQUILL_FUZZ_READSTAT=OFF "
                      "fuzzes with the system's ReadStat instead")
endif()
file(GLOB readstat_sources CONFIGURE_DEPENDS ${readstat_source}/src/*.c ${readstat_source}/src/sas/*.c)
add_library(readstat_instrumented STATIC ${readstat_sources})
target_compile_options(readstat_instrumented PRIVATE -w) # not our code: its warnings are not ours to fix
set(READSTAT_INCLUDE_DIR ${readstat_source}/src)
set(READSTAT_LIBRARY readstat_instrumented)
