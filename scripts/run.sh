#!/usr/bin/env bash
# Sets up a fresh machine, builds shrotl and runs the otl tool's demo: it
# builds a sample outline through the library, prints it, edits it and
# prints the change log. Arguments go to `otl demo` (e.g. --no-props).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the library and the tool: the tests are scripts/test.sh's business.
cmake -S . -B build -G Ninja -DSHROTL_BENCH=OFF >/dev/null
cmake --build build --target otl -j "$(nproc)"
./build/tools/otl demo "$@"
