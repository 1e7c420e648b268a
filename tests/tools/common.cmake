# Helpers of the otl tool tests: run the tool, then check its exit status and
# what it wrote. CMake regular expressions have no multi-line mode, so a whole
# line is matched as "\n<text>\n" against the output with a newline in front.

# run_otl(<prefix> <argument>...): sets <prefix>_EXIT, <prefix>_OUT (with a
# leading newline) and <prefix>_ERR.
function(run_otl prefix)
  execute_process(COMMAND ${OTL} ${ARGN}
    RESULT_VARIABLE exit OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${prefix}_EXIT "${exit}" PARENT_SCOPE)
  set(${prefix}_OUT "\n${out}" PARENT_SCOPE)
  set(${prefix}_ERR "${err}" PARENT_SCOPE)
endfunction()

function(expect_exit prefix expected)
  if(expected STREQUAL "nonzero")
    if(${prefix}_EXIT EQUAL 0)
      message(FATAL_ERROR "${prefix}: exit status 0, expected a failure")
    endif()
  elseif(NOT ${prefix}_EXIT EQUAL expected)
    message(FATAL_ERROR "${prefix}: exit status ${${prefix}_EXIT}, expected ${expected}\n"
      "stderr: ${${prefix}_ERR}")
  endif()
endfunction()

function(expect_match what text regex)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "${what} does not match '${regex}':\n${text}")
  endif()
endfunction()

function(expect_no_match what text regex)
  if(text MATCHES "${regex}")
    message(FATAL_ERROR "${what} unexpectedly matches '${regex}':\n${text}")
  endif()
endfunction()
