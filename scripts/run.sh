#!/usr/bin/env bash
# Sets up a fresh machine, builds shrotl and runs the library's smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DSHROTL_BENCH=OFF
./build/tools/otl-smoke
