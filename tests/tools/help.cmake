# otl --help lists the commands; a command's --help lists its options.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

run_otl(top --help)
expect_exit(top 0)
expect_match("otl --help" "${top_OUT}" "\n  demo +[A-Z]")
expect_match("otl --help" "${top_OUT}" "\n  status +[A-Z]")

run_otl(demo demo --help)
expect_exit(demo 0)
expect_match("otl demo --help" "${demo_OUT}" "--no-props")
expect_match("otl demo --help" "${demo_OUT}" "--no-changes")

foreach(command import export diff)
  run_otl(${command} ${command} --help)
  expect_exit(${command} 0)
  expect_match("otl ${command} --help" "${${command}_OUT}" "\n  -q,--quiet +[A-Z]")
endforeach()
