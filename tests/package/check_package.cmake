# Installs the library into a scratch prefix, then builds and runs a small
# consumer through find_package. Through add_subdirectory the consumer is only
# generated: a missing ecevents::ecevents target already fails generation, and
# building the library a second time would only cost time.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed")
endif()
# Every header installed finds the headers it includes installed too, so
# leaving the internal ones out breaks no public one.
file(GLOB_RECURSE _installed RELATIVE ${WORK}/prefix/include ${WORK}/prefix/include/*.h)
if(NOT _installed)
  message(FATAL_ERROR "no headers installed")
endif()
foreach(_header ${_installed})
  file(STRINGS ${WORK}/prefix/include/${_header} _includes REGEX "^#include \"")
  foreach(_line ${_includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" _included "${_line}")
    if(NOT EXISTS ${WORK}/prefix/include/${_included})
      message(FATAL_ERROR "${_header} includes ${_included}, which is not installed")
    endif()
  endforeach()
endforeach()

foreach(mode package subdirectory)
  if(mode STREQUAL "package")
    set(args -DCMAKE_PREFIX_PATH=${WORK}/prefix)
  else()
    set(args -DUSE_SUBDIRECTORY=ON -DECEVENTS_SOURCE=${SOURCE} -DECEVENTS_BUILD_CLI=OFF -DECEVENTS_BUILD_TESTS=OFF)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE}/tests/package/consumer -B ${WORK}/${mode} ${args}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "${mode}: configure failed\n${out}")
  endif()
  if(mode STREQUAL "subdirectory")
    break()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/${mode} -j 2
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "${mode}: build failed\n${out}")
  endif()
  execute_process(COMMAND ${WORK}/${mode}/consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "${mode}: consumer failed\n${out}")
  endif()
endforeach()
