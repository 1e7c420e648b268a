# otl status explains a code, refuses a number that is no status code, and
# its table knows every OTL_ERR_ code of the public header.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

run_otl(known status 1060051)
expect_exit(known 0)
if(NOT known_OUT STREQUAL "\n1060051 member name already used by a member or an alias\n")
  message(FATAL_ERROR "otl status 1060051 printed:${known_OUT}")
endif()

run_otl(unknown status 1060005)
expect_exit(unknown 1)
expect_match("otl status 1060005 stderr" "${unknown_ERR}" "1060005")

run_otl(all status --all)
expect_exit(all 0)
file(STRINGS ${HEADER} defines REGEX "^#define OTL_ERR_[A-Z0-9_]+ [0-9]+u")
list(LENGTH defines count)
if(count LESS 100)
  message(FATAL_ERROR "found only ${count} status codes in ${HEADER}")
endif()
foreach(define IN LISTS defines)
  string(REGEX REPLACE "^#define (OTL_ERR_[A-Z0-9_]+) ([0-9]+)u.*" "\\1;\\2" pair "${define}")
  list(GET pair 0 name)
  list(GET pair 1 code)
  expect_match("otl status --all (${name})" "${all_OUT}" "\n${code} [a-z]")
endforeach()
