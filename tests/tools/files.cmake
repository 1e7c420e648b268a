# otl demo --save, then show, stats and verify on the saved file: the file
# holds what the demo printed, and a file that is no outline is refused.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE files-demo.otl)
run_otl(demo demo --save files-demo.otl)
expect_exit(demo 0)

run_otl(show show files-demo.otl)
expect_exit(show 0)
# The tree as the demo printed it, up to the sorted family's line.
string(FIND "${demo_OUT}" "\nWhite Tea sorted descending" end)
string(FIND "${demo_OUT}" "\nCalendar " begin)
math(EXPR length "${end} - ${begin}")
string(SUBSTRING "${demo_OUT}" ${begin} ${length} printed)
string(FIND "${show_OUT}" "${printed}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "otl show does not print what otl demo printed:\n${show_OUT}")
endif()

run_otl(stats stats files-demo.otl)
expect_exit(stats 0)
expect_match("counts" "${stats_OUT}" "\ndimensions +10 \\(5 base\\)\nmembers +[0-9]+\n")
expect_match("dimension row" "${stats_OUT}" "\nProduct +sparse +[0-9]+ +[0-9]+  base, with attributes\n")
expect_match("attribute row" "${stats_OUT}" "\nOrganic +sparse +3 +3  attribute\n")

run_otl(clean verify files-demo.otl)
expect_exit(clean 0)
expect_match("clean" "${clean_OUT}" "files-demo.otl: no faults, can be saved\n")

file(WRITE files-not-outline.otl "Calendar,Qtr1\n")
foreach(command show stats verify)
  run_otl(${command}_bad ${command} files-not-outline.otl)
  expect_exit(${command}_bad 1)
  expect_match("${command} refusal" "${${command}_bad_ERR}" "^otl: opening files-not-outline.otl: [0-9]+ ")
endforeach()
