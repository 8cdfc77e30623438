# The fuzz targets and how each is built, for the fuzz build (fuzz/) and for
# the corpus replays among the unit tests (test/).
#
# Every target is fuzz/<target>.cpp but the record targets: those are one
# source, fuzz_record.cpp, compiled once per record type with
# ZEL23_FUZZ_RECORD naming the type. The power flow's fuzz_solve is added
# where the power flow is built.

set(ZEL23_FUZZ_RECORD_TARGETS
    fuzz_bus=ZELBus fuzz_generator=ZELGenerator fuzz_load=ZELLoad fuzz_branch=ZELBranch
    fuzz_adjustment=ZELTransformerAdjustment fuzz_area=ZELAreaInterchange
    fuzz_shunt=ZELSwitchedShunt fuzz_dc=ZELTwoTerminalDC)

set(ZEL23_FUZZ_TARGETS fuzz_scan fuzz_convert)
foreach(entry IN LISTS ZEL23_FUZZ_RECORD_TARGETS)
  string(REGEX REPLACE "=.*" "" target ${entry})
  list(APPEND ZEL23_FUZZ_TARGETS ${target})
endforeach()
list(APPEND ZEL23_FUZZ_TARGETS fuzz_case fuzz_matpower fuzz_write fuzz_matpower_write)

# Adds the executable NAME that runs fuzz target TARGET, from the target's
# source and the further sources given after it.
function(zel23_add_fuzz_executable name target)
  set(source ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${target}.cpp)
  set(record)
  foreach(entry IN LISTS ZEL23_FUZZ_RECORD_TARGETS)
    if(entry MATCHES "^${target}=(.+)$")
      set(record ${CMAKE_MATCH_1})
      set(source ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_record.cpp)
    endif()
  endforeach()
  add_executable(${name} ${source} ${ARGN})
  if(record)
    target_compile_definitions(${name} PRIVATE ZEL23_FUZZ_RECORD=${record})
  endif()
endfunction()
