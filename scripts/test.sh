#!/usr/bin/env bash
# Sets up a fresh machine, builds shrotl and runs the whole test suite.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${1:-build}
shift || true
scripts/build.sh "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
