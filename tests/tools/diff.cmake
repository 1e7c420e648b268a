# otl diff: members added, deleted, moved and renamed, property and setting
# changes, as text and as JSON; exit status 0 when equal, 1 when different,
# 2 when an outline cannot be read.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
get_filename_component(ROOT "${HEADER}/../.." ABSOLUTE)
set(DIR "${CMAKE_CURRENT_BINARY_DIR}/diff-test")
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
set(teas "${ROOT}/examples/teas.csv")

run_otl(equal diff "${teas}" "${teas}")
expect_exit(equal 0)
expect_match("equal" "${equal_OUT}" "^\nthe outlines are equal\n$")

# The edit: Assam deleted, Gyokuro added, Black Tea renamed (its alias, the
# same on both sides, links the names), Sencha moved, a formula changed, a
# table added; shared members follow their member.
file(READ "${teas}" before)
string(REPLACE "Product,Black Tea,Assam,,,,,,,,\n" "" after "${before}")
string(REPLACE "Product,Green Tea,Sencha," "Product,Black Tea,Sencha," after "${after}")
string(REPLACE "Black Tea" "Dark Tea" after "${after}")
string(REPLACE "Profit % Sales;" "Profit % Sales * 100;" after "${after}")
string(REPLACE "Product,,Green Tea,,,,\"" "Product,Green Tea,Gyokuro,,,,,,,,\nProduct,,Green Tea,,,,\"" after "${after}")
string(REPLACE "Product,,Dark Tea,,,,," "Product,,Dark Tea,,,,Fermented," after "${after}")
string(REPLACE "Product,,Black Tea,,,,," "Product,,Black Tea,,,,Fermented," before "${before}")
file(WRITE "${DIR}/before.csv" "${before}")
file(WRITE "${DIR}/after.csv" "${after}")
run_otl(text diff "${DIR}/before.csv" "${DIR}/after.csv")
expect_exit(text 1)
expect_match("added" "${text_OUT}" "\nadded    Gyokuro \\(Product\\) under Green Tea\n")
expect_match("deleted" "${text_OUT}" "\ndeleted  Assam \\(Product\\) under Black Tea\n")
expect_match("renamed" "${text_OUT}" "\nrenamed  Black Tea -> Dark Tea \\(Product\\)\n")
expect_match("moved" "${text_OUT}" "\nmoved    Sencha \\(Product\\) from Green Tea to Dark Tea\n")
expect_match("changed" "${text_OUT}" "\nchanged  Margin % \\(Measures\\) formula: \"Profit % Sales;\" -> \"Profit % Sales \\* 100;\"\n")
expect_match("summary" "${text_OUT}" "\n1 added, 1 deleted, 1 renamed, 1 moved, 1 changed\n$")

run_otl(json diff --json "${DIR}/before.csv" "${DIR}/after.csv")
expect_exit(json 1)
string(JSON equal GET "${json_OUT}" equal)
string(JSON renamed GET "${json_OUT}" changes renamed 0 from)
string(JSON moves LENGTH "${json_OUT}" changes moved)
if(NOT equal STREQUAL "OFF" OR NOT renamed STREQUAL "Black Tea" OR NOT moves EQUAL 1)
  message(FATAL_ERROR "diff --json: ${json_OUT}")
endif()

run_otl(missing diff "${teas}" "${DIR}/none.otl")
expect_exit(missing 2)
expect_match("missing" "${missing_ERR}" "^otl: .*none.otl")

# Saved outlines: the demo before and after its edits. The change log links
# renamed members; members below a renamed one have not moved.
run_otl(plain demo --no-changes --save "${DIR}/plain.otl")
run_otl(edited demo --save "${DIR}/edited.otl")
run_otl(log diff "${DIR}/plain.otl" "${DIR}/edited.otl")
expect_exit(log 1)
expect_match("log renames" "${log_OUT}" "\nrenamed  Milky Oolong -> Jin Xuan \\(Product\\)\nrenamed  Herbal Infusions -> Tisanes \\(Product\\)\n")
expect_match("moves" "${log_OUT}" "\nmoved    Earl Grey \\(Product\\) from Black Tea to Blends\n")
expect_match("shared copy deleted" "${log_OUT}" "\ndeleted  Manchester \\(Region\\) under Tea Rooms\n")
expect_match("summary" "${log_OUT}" "\n2 added, 7 deleted, 2 renamed, 2 moved\n$")
