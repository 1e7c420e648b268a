# otl status explains a code and refuses a number that is no status code.
# Its table and the public header agree: for every OTL_OK and OTL_ERR_ code,
# `otl status --all` prints exactly the meaning in the header's comment
# beside the #define.
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
file(STRINGS ${HEADER} defines REGEX "^#define OTL_(OK|ERR_[A-Z0-9_]+) [0-9]+u")
list(LENGTH defines count)
if(count LESS 100)
  message(FATAL_ERROR "found only ${count} status codes in ${HEADER}")
endif()
set(pattern "^#define (OTL_[A-Z0-9_]+) ([0-9]+)u /\\* (.+) \\*/$")
foreach(define IN LISTS defines)
  if(NOT define MATCHES "${pattern}")
    message(FATAL_ERROR "no one-line meaning beside the code: ${define}")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(line "\n${CMAKE_MATCH_2} ${CMAKE_MATCH_3}\n")
  string(FIND "${all_OUT}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "otl status --all does not print the header's meaning of ${name}:"
      "${line}")
  endif()
endforeach()
