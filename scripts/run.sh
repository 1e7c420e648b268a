#!/usr/bin/env bash
# Sets up a fresh machine, builds shrotl and runs the otl tool's demo: it
# builds a sample outline through the library, prints it, edits it and
# prints the change log, then saves it, opens the saved file and shows that
# it reads back the same, verifies it and prints its statistics. Arguments
# go to `otl demo` (e.g. --no-props).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the library and the tool: the tests are scripts/test.sh's business.
cmake -S . -B build -G Ninja -DSHROTL_BENCH=OFF >/dev/null
cmake --build build --target otl -j "$(nproc)"
otl=./build/tools/otl
saved=build/demo.otl
$otl demo --save "$saved" "$@"
echo
echo "== saved to $saved; opened again, it prints the same outline:"
# The trees compared: the demo's from its third line, the file's from its first.
if diff <($otl demo | sed -n '3,/^$/p') <($otl show "$saved" | sed -n '1,/^$/p') >/dev/null; then
  echo "   the same tree, properties, aliases and attributes"
else
  echo "   it does not: compare with '$otl show $saved'" >&2
  exit 1
fi
echo "== otl verify $saved"
$otl verify "$saved"
echo "== otl stats $saved"
$otl stats "$saved"
