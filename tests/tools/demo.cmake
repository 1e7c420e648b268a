# otl demo builds, edits and prints the demo outline: the five base dimensions,
# the edits' traces in the tree, the summary, a sorted family, one change-log
# line per edit, and the currency outline generated from it.
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

run_otl(names demo --no-props)
expect_exit(names 0)
foreach(dimension Calendar Measures Product Region Scenario)
  expect_match("dimension ${dimension}" "${names_OUT}" "\n${dimension}\n")
endforeach()
# Renamed, added and moved members in their new places; deleted ones gone,
# the shared occurrence of a deleted city with it.
expect_match("renamed family" "${names_OUT}" "\n  Tisanes\n")
expect_match("added line" "${names_OUT}" "\n      Sencha Caddy 50g\n    Genmaicha\n      Genmaicha Loose 100g\n    Gyokuro\n")
expect_match("moved lines" "${names_OUT}" "\n  Blends\n    Earl Grey\n(      [^\n]+\n)+    English Breakfast\n")
expect_no_match("deleted line" "${names_OUT}" "\n +Gunpowder")
expect_no_match("deleted city" "${names_OUT}" "\n +Manchester\n")
expect_match("summary" "${names_OUT}" "\n10 dimensions, [0-9][0-9][0-9] members, [0-9]+ of them shared\n")
expect_match("sorted family" "${names_OUT}" "\n  White Tea\n    White Peony\n(      [^\n]+\n)+    Silver Needle\n(      [^\n]+\n)+    Shou Mei\n")
expect_match("sort line" "${names_OUT}" "\nWhite Tea sorted descending: White Peony, Silver Needle, Shou Mei\n")
# The currency outline: the time dimension copied, the currency categories
# and names in the order first met, an empty currency type dimension.
expect_match("currency time" "${names_OUT}" "\nQuillfeather Teas: currency outline\n\nCalendar\n  Qtr1\n    Jan\n")
expect_match("currency names" "${names_OUT}" "\nCurCategory\n  Average Rate\n  Ending Rate\nCurName\n  USD\n  CAD\n  MXN\n  GBP\n  EUR\n  SEK\n")
expect_match("currency type" "${names_OUT}" "\n  COP\nCurType\n\n4 dimensions, 40 members, 0 of them shared\n$")

expect_match("log: add" "${names_OUT}" "\nA  Genmaicha +under Green Tea after Sencha\n")
expect_match("log: add first" "${names_OUT}" "\nA  Genmaicha Loose 100g +under Genmaicha, first\n")
expect_match("log: rename" "${names_OUT}" "\nR  Tisanes +was Herbal Infusions\n")
expect_match("log: move" "${names_OUT}" "\nM  Earl Grey +under Black Tea after Lapsang Souchong -> under Blends, first\n")
expect_match("log: delete" "${names_OUT}" "\nD  Gunpowder\n")
expect_match("log: delete city" "${names_OUT}" "\nD  Manchester\n")

run_otl(plain demo --no-changes)
expect_exit(plain 0)
expect_no_match("--no-changes" "${plain_OUT}" "Change log")
expect_match("properties" "${plain_OUT}" "\n    Margin % +~  computed  = Margin % Sales;\n")
expect_match("shared member" "${plain_OUT}" "\n    London +\\+  shared\n")
expect_match("currency category" "${plain_OUT}" "\n  Profit +\\+  currency Average Rate\n")
expect_match("currency name" "${plain_OUT}" "\n    United States +\\+  currency USD\n")
expect_match("currency type dimension" "${plain_OUT}" "\nCurType +\\+  currency type, sparse\n")
# Attribute dimensions linked to Product, named after their dimension, and
# each product line's attributes; the calculations dimension last.
expect_match("linked dimensions" "${plain_OUT}" "\nProduct +\\+  sparse  {Caffeine mg, Organic, Harvested, Origin}")
expect_match("line attributes" "${plain_OUT}" "\n    Matcha +\\+  {Caffeine mg_70, Organic_True, Harvested_05-02-2026, Uji}")
expect_match("boolean member" "${plain_OUT}" "\n  Organic_True +~\n")
expect_match("calculations last" "${plain_OUT}" "\nAttribute Calculations +\\+  attribute calculations, sparse, label only\n  Sum")
# Names for readers: aliases table by table (Japanese outside ASCII), tags,
# generation and level names, and the two time series.
expect_match("aliases" "${plain_OUT}" "\n  Green Tea +\\+  Long Names: Unoxidised green teas  Japanese: 緑茶\n")
expect_match("tags" "${plain_OUT}" "\n      Tokyo +\\+  Japanese: 東京  \\[Flagship\\]\n")
expect_match("generation names" "${plain_OUT}" "\nProduct: generation 2 Families, generation 3 Lines, level 0 Packs\n")
expect_match("time series" "${plain_OUT}" "\nTime series: Y-T-D from generation 1, Q-T-D from generation 2\n")
