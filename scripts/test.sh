#!/usr/bin/env bash
# Installs what is missing, builds Pixovia and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${PIXOVIA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DPIXOVIA_WERROR=ON ${PIXOVIA_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --parallel
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
