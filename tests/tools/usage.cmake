# Usage errors: a message on stderr naming the problem, nothing on stdout,
# exit status 2.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

run_otl(bogus bogus)
expect_exit(bogus 2)
expect_match("otl bogus stderr" "${bogus_ERR}" "^otl: 'bogus' is not an otl command")
if(NOT bogus_OUT STREQUAL "\n")
  message(FATAL_ERROR "otl bogus wrote to stdout:${bogus_OUT}")
endif()

run_otl(none)
expect_exit(none 2)
expect_match("otl stderr" "${none_ERR}" "^otl: ")

run_otl(option demo --no-such-option)
expect_exit(option 2)
expect_match("otl demo --no-such-option stderr" "${option_ERR}" "--no-such-option")
