# otl export: what it writes import reads back to the same outline (the
# settings, attribute dimensions, names and combinations included), the
# generation and level layouts, and JSON holding every member and property.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
get_filename_component(ROOT "${HEADER}/../.." ABSOLUTE)
set(DIR "${CMAKE_CURRENT_BINARY_DIR}/export-test")
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")

# Everything a parent-child file carries beyond names: settings rows, a time
# dimension with names and a series, attribute dimensions of two types
# linked to Product, associations, aliases in two tables, a combination.
file(WRITE "${DIR}/full.csv" [=[
dimension,parent,member,type,storage,time balance,skip,alias,alias:Japanese,uda,uda,attribute,attribute,generation,level,extended comment,setting,value
,,,,,,,,,,,,,,,,attribute name format,dimension
,,,,,,,,,,,,,,,,attribute separator,^
,,,,,,,,,,,,,,,,true name,Yes
,,Y-T-D,,,,,YTD,,,,,,,,,time series,1
,,Matcha,,,,,,MC,,,,,,,,alias combination,"Matcha,""Sencha"""
Calendar,,,time,dense,,,,,,,,,3=Months,0=Days,,,
Calendar,,Qtr1,,,,,,,,,,,,,,,
Calendar,Qtr1,Jan,,,,,,,,,,,,,,,
Measures,,,accounts,,,,,,,,,,,,,,
Measures,,Stock,,,last,missing,,,,,,,,,"A long note, with ""quotes""
and a line break",,
Product,,,,sparse,,,,,,,Caffeine mg,Organic,,,,,
Product,,Green Tea,,,,,Greens,緑茶,,,,,,,,,
Product,Green Tea,Matcha,,,,,,抹茶,Limited,Ceremonial,Caffeine mg^70,Organic^Yes,,,,,
Product,Green Tea,Sencha,,,,,,,,,Caffeine mg^30,,,,,,
Caffeine mg,,,attribute numeric,,,,,,,,,,,,,,
Caffeine mg,,70,,,,,,,,,,,,,,,
Caffeine mg,,30,,,,,,,,,,,,,,,
Organic,,,attribute boolean,,,,,,,,,,,,,,
Organic,,Yes,,,,,,,,,,,,,,,
]=])
run_otl(first export "${DIR}/full.csv")
expect_exit(first 0)
string(SUBSTRING "${first_OUT}" 1 -1 first)
file(WRITE "${DIR}/first.csv" "${first}")
run_otl(second export "${DIR}/first.csv")
expect_exit(second 0)
if(NOT first_OUT STREQUAL second_OUT)
  message(FATAL_ERROR "export of the export differs:${first_OUT}---${second_OUT}")
endif()
run_otl(same diff "${DIR}/full.csv" "${DIR}/first.csv")
expect_exit(same 0)
run_otl(built import "${DIR}/first.csv")
run_otl(rebuilt import --into "${DIR}/first.csv" "${DIR}/first.csv")
if(NOT built_OUT STREQUAL rebuilt_OUT)
  message(FATAL_ERROR "importing a file into its own outline changed it:${rebuilt_OUT}")
endif()
expect_match("a level-0 attribute member goes by its value" "${first_OUT}" "\nCaffeine mg,Caffeine mg,70,")
expect_match("associations by name" "${first_OUT}" "\nProduct,Green Tea,Matcha,[^\n]*,Limited,Ceremonial,Caffeine mg\\^70,Organic\\^Yes,")
expect_match("quoted text" "${first_OUT}" "\"A long note, with \"\"quotes\"\"\nand a line break\"")

# One row per level-0 member: generation columns from the dimension down,
# level columns from the member up.
run_otl(generations export --layout generation "${DIR}/full.csv")
expect_match("generation header" "${generations_OUT}" "^\ngeneration 1,generation 2,generation 3\r?\n")
expect_match("generation row" "${generations_OUT}" "\nProduct,Green Tea,Matcha\r?\nProduct,Green Tea,Sencha\r?\n")
run_otl(levels export --layout level "${DIR}/full.csv")
expect_match("level rows" "${levels_OUT}" "\nJan,Qtr1,Calendar\r?\nStock,Measures,\r?\n")

# JSON: the members as a tree with their properties, the settings apart.
run_otl(json export --format json "${DIR}/full.csv")
expect_exit(json 0)
set(json "${json_OUT}")
string(JSON tables GET "${json}" settings "alias tables")
expect_match("alias tables" "${tables}" "^\\[ \"Default\", \"Japanese\" \\]$")
string(JSON series GET "${json}" settings "time series" 0 aliases Default)
expect_match("series alias" "${series}" "^YTD$")
string(JSON dimensions LENGTH "${json}" dimensions)
expect_match("dimensions without the calculations one" "${dimensions}" "^5$")
string(JSON product GET "${json}" dimensions 2)
string(JSON links GET "${product}" attributes)
expect_match("linked dimensions" "${links}" "Caffeine mg.*Organic")
string(JSON matcha GET "${product}" children 0 children 0)
foreach(check "name;Matcha" "aliases;Japanese;抹茶" "udas;1;Ceremonial" "attributes;0;Caffeine mg^70")
  list(POP_BACK check expected)
  string(JSON value GET "${matcha}" ${check})
  if(NOT value STREQUAL expected)
    message(FATAL_ERROR "JSON ${check}: '${value}', expected '${expected}'")
  endif()
endforeach()
string(JSON stock GET "${json}" dimensions 1 children 0)
string(JSON note GET "${stock}" "extended comment")
expect_match("note" "${note}" "^A long note, with \"quotes\"\nand a line break$")
string(JSON value GET "${json}" dimensions 3 children 0 value)
expect_match("attribute value" "${value}" "^70$")

run_otl(missing export "${DIR}/none.otl")
expect_exit(missing 1)
run_otl(format export --format xml "${DIR}/full.csv")
expect_exit(format 2)
