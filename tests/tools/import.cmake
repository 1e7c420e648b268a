# otl import: parent-child files built into outlines, rows in any order,
# RFC 4180 quoting, and every kind of bad input reported by file, line and
# member with nothing written.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
get_filename_component(ROOT "${HEADER}/../.." ABSOLUTE)
set(DIR "${CMAKE_CURRENT_BINARY_DIR}/import-test")
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")

# The example: label-only and computed members, a formula, shared members,
# aliases with commas, a comment with quotes, tags. No progress line off a
# terminal: stderr stays empty.
run_otl(teas import "${ROOT}/examples/teas.csv")
expect_exit(teas 0)
if(NOT teas_ERR STREQUAL "")
  message(FATAL_ERROR "import wrote to stderr: ${teas_ERR}")
endif()
expect_match("label only" "${teas_OUT}" "\nMeasures +\\+  accounts, dense, label only\n")
expect_match("computed" "${teas_OUT}" "\n  Margin % +~  computed  = Profit % Sales;\n")
expect_match("alias with a comma" "${teas_OUT}" "\n  Green Tea +\\+  Long Names: Unoxidised teas, steamed or pan-fired\n")
expect_match("comment with quotes" "${teas_OUT}" "\n    Earl Grey +\\+  \\[Flavoured\\]  # Scented with \"bergamot\" oil\n")
expect_match("shared after its siblings" "${teas_OUT}" "\n  Favourites +~\n    Matcha +\\+  shared\n    Earl Grey +\\+  shared\n")

# Children before parents, a BOM, CRLF line ends, a quoted name holding a
# comma and a line break inside a quoted comment: the same outline as the
# rows in order.
set(ordered "dimension,parent,member,comment\nP,,A,\nP,A,\"B, the second\",\"two\nlines\"\nP,A,C,\nP,C,D,\n")
string(ASCII 239 187 191 bom)
string(ASCII 233 eAcute)
string(ASCII 255 notUtf8)
set(shuffled "${bom}dimension,parent,member,comment\r\nP,C,D,\r\nP,A,\"B, the second\",\"two\nlines\"\r\nP,A,C,\r\nP,,A,\r\n")
file(WRITE "${DIR}/ordered.csv" "${ordered}")
file(WRITE "${DIR}/shuffled.csv" "${shuffled}")
run_otl(ordered import "${DIR}/ordered.csv")
run_otl(shuffled import "${DIR}/shuffled.csv")
expect_exit(shuffled 0)
if(NOT ordered_OUT STREQUAL shuffled_OUT)
  message(FATAL_ERROR "row order changed the outline:${ordered_OUT}---${shuffled_OUT}")
endif()
expect_match("order" "${ordered_OUT}" "\n  A +\\+\n    B, the second +\\+  # two\nlines\n    C +\\+\n      D +\\+\n")

# A member repeated under another parent: refused, unless marked shared or
# imported with --shared.
file(WRITE "${DIR}/repeat.csv" "dimension,parent,member\nP,,A\nP,,B\nP,B,A\n")
run_otl(repeat import "${DIR}/repeat.csv")
expect_exit(repeat 1)
expect_match("repeat" "${repeat_ERR}" "repeat.csv:4: A: is already under P at .*repeat.csv:2; say 'shared'")
run_otl(shared import --shared "${DIR}/repeat.csv")
expect_exit(shared 0)
expect_match("--shared" "${shared_OUT}" "\n  B +\\+\n    A +\\+  shared\n")

# --into extends an outline: new members after the children already there,
# properties of members already there changed by the non-empty cells, a
# member there under another parent refused. Importing a file into what it
# built changes nothing.
file(WRITE "${DIR}/more.csv" "dimension,parent,member,comment,uda\nProduct,Green Tea,Gyokuro,,\nProduct,Gyokuro,Gyokuro Caddy,,\nProduct,Black Tea,Assam,Malty,\nProduct,Green Tea,Matcha,,Ceremonial\nRegion,,Europe,,\n")
run_otl(into import --into "${ROOT}/examples/teas.csv" "${DIR}/more.csv")
expect_exit(into 0)
expect_match("extended" "${into_OUT}" "\n    Matcha +\\+  Long Names: Stone-ground green tea  \\[Limited Edition, Ceremonial\\]\n    Gyokuro +\\+\n      Gyokuro Caddy +\\+\n  Black Tea +\\+\n    Assam +\\+  # Malty\n")
expect_match("new dimension" "${into_OUT}" "\nRegion +\\+  dense\n  Europe +\\+\n")
file(APPEND "${DIR}/more.csv" "Product,,Sencha,,\n")
run_otl(moved import --into "${ROOT}/examples/teas.csv" "${DIR}/more.csv")
expect_exit(moved 1)
expect_match("elsewhere" "${moved_ERR}" "more.csv:7: Sencha: is already in the outline under Green Tea")
run_otl(again import --into "${ROOT}/examples/teas.csv" "${ROOT}/examples/teas.csv")
if(NOT again_OUT STREQUAL teas_OUT)
  message(FATAL_ERROR "importing a file into its own outline changed it:${again_OUT}")
endif()

# Another encoding by option.
file(WRITE "${DIR}/latin1.csv" "dimension,parent,member\nP,,Caf${eAcute}\n")
run_otl(latin1 import --encoding ISO-8859-1 "${DIR}/latin1.csv")
expect_exit(latin1 0)
expect_match("converted" "${latin1_OUT}" "\n  Café +\\+\n")

# Bad input, one case a row: the file, then what stderr must say. Each is
# refused with nothing written to the output named.
set(cases
  "unknown column|dimension,parent,member,colour\nP,,A,red\n|bad.csv:1: unknown column 'colour'. the columns are dimension,"
  "parent never there|dimension,parent,member\nP,,A\nP,Nowhere,B\n|bad.csv:3: B: its parent Nowhere appears nowhere in P"
  "cycle|dimension,parent,member\nP,,A\nP,D,C\nP,C,D\nP,C,E\n|bad.csv:3: C: its parents never reach the dimension: they loop \\(C -> D -> C\\)\n.*bad.csv:4: D: its parents never.*\n.*bad.csv:5: E: its parent C was refused"
  "name the rules refuse|dimension,parent,member\nP,,A\nP,A,@B\n|bad.csv:3: @B: adding under A: 1060010 invalid member name"
  "name used twice|dimension,parent,member\nP,,A\nQ,,A\n|bad.csv:3: A: adding under Q: 1060051 member name already used"
  "duplicate row|dimension,parent,member\nP,,A\nP,P,A\n|bad.csv:3: A: repeats the row at .*bad.csv:2"
  "bad word|dimension,parent,member,share\nP,,A,sometimes\n|bad.csv:2: A: share 'sometimes' is not one of the words"
  "cut short|dimension,parent,member,comment\nP,,A,\"no end\n|bad.csv:2: the file ends inside a quoted field"
  "stray quote|dimension,parent,member\nP,,\"A\"B\n|bad.csv:2: a double quote in an unquoted field"
  "field count|dimension,parent,member\nP,,A,x\n|bad.csv:2: has 4 fields, the header 3"
  "invalid UTF-8|dimension,parent,member\nP,,A${notUtf8}\n|bad.csv:2: field 3 is not valid UTF-8"
  "no header|\n|bad.csv:1: no header row"
  "missing column|dimension,member\nP,A\n|the header must name the columns dimension, parent and member"
  "unknown setting|dimension,parent,member,setting,value\n,,,colour,red\n|bad.csv:2: colour: no such setting")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 content)
  list(GET parts 2 expected)
  file(WRITE "${DIR}/bad.csv" "${content}")
  file(REMOVE "${DIR}/out.otl")
  run_otl(bad import -o "${DIR}/out.otl" "${DIR}/bad.csv")
  expect_exit(bad 1)
  expect_match("${name}" "${bad_ERR}" "${expected}")
  if(EXISTS "${DIR}/out.otl")
    message(FATAL_ERROR "${name}: an output was written")
  endif()
endforeach()

# --keep-going imports the rest and still fails.
file(WRITE "${DIR}/some.csv" "dimension,parent,member\nP,,A\nP,A,@B\nP,A,C\n")
run_otl(going import --keep-going "${DIR}/some.csv")
expect_exit(going 1)
expect_match("the rest" "${going_OUT}" "\n  A +\\+\n    C +\\+\n")
expect_match("refused row" "${going_ERR}" "some.csv:3: @B: .*\notl: 1 row refused; the rest imported")

run_otl(unwritable import -o "${DIR}/no/such/folder/out.otl" "${ROOT}/examples/teas.csv")
expect_exit(unwritable 1)
expect_match("unwritable" "${unwritable_ERR}" "cannot write .*out.otl: No such file or directory")
run_otl(overwrite import -o "${DIR}/some.csv" "${DIR}/some.csv")
expect_exit(overwrite 1)
expect_match("input as output" "${overwrite_ERR}" "some.csv is one of the files read")

# Saved outlines. The demo exported and imported again is the same outline
# as diff compares them, and a second trip changes nothing show prints; an
# import into a saved outline is saved back in place.
run_otl(demo demo --no-changes --save "${DIR}/demo.otl")
expect_exit(demo 0)
run_otl(csv export "${DIR}/demo.otl")
string(SUBSTRING "${csv_OUT}" 1 -1 csv)
file(WRITE "${DIR}/demo.csv" "${csv}")
run_otl(back import -o "${DIR}/back.otl" "${DIR}/demo.csv")
expect_exit(back 0)
run_otl(same diff "${DIR}/demo.otl" "${DIR}/back.otl")
expect_exit(same 0)
run_otl(csv export "${DIR}/back.otl")
string(SUBSTRING "${csv_OUT}" 1 -1 csv)
file(WRITE "${DIR}/back.csv" "${csv}")
run_otl(again import -o "${DIR}/again.otl" "${DIR}/back.csv")
run_otl(shown show "${DIR}/back.otl")
run_otl(reshown show "${DIR}/again.otl")
if(NOT shown_OUT STREQUAL reshown_OUT OR NOT shown_OUT MATCHES "\nProduct ")
  message(FATAL_ERROR "a second trip through a parent-child file changed the demo:${reshown_OUT}")
endif()
file(WRITE "${DIR}/more.csv" "dimension,parent,member\nProduct,Green Tea,Gyokuro Caddy 20g\n")
run_otl(extend import --into "${DIR}/back.otl" "${DIR}/more.csv")
expect_exit(extend 0)
run_otl(extended diff "${DIR}/demo.otl" "${DIR}/back.otl")
expect_match("saved in place" "${extended_OUT}" "^\nadded    Gyokuro Caddy 20g \\(Product\\) under Green Tea\n1 added\n$")

# Faults only a verification finds are named by row, and nothing is written;
# an output already there stays as it was.
file(READ "${DIR}/back.otl" saved HEX)
file(WRITE "${DIR}/faults.csv" "dimension,parent,member,type,storage\nP,,,,sparse\nP,,A,,\nOrigin,,,attribute text,\nOrigin,,Japan,,\n")
run_otl(faults import -o "${DIR}/back.otl" "${DIR}/faults.csv")
expect_exit(faults 1)
expect_match("fault by row" "${faults_ERR}" "faults.csv:4: Origin: attribute 0x40 [^\n]*not associated[^\n]*\notl: the outline has faults. nothing written")
file(READ "${DIR}/back.otl" kept HEX)
if(NOT saved STREQUAL kept)
  message(FATAL_ERROR "a refused import changed the output file")
endif()
