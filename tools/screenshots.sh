#!/usr/bin/env bash
# Takes a screenshot of every window under a virtual X server into docs/screenshots/: builds the
# shot programs (tools/CMakeLists.txt) and runs each; every one writes <name>.png.
# Usage: tools/screenshots.sh [NAME ...]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${PIXOVIA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --parallel --target screenshots
out=$PWD/docs/screenshots
mkdir -p "$out"
shots=("$@")
if [ ${#shots[@]} -eq 0 ]; then
  for exe in "$build"/shots/shot_*; do shots+=("$(basename "$exe" | sed 's/^shot_//')"); done
fi
for name in "${shots[@]}"; do
  echo "-- $name"
  # A fresh settings folder, so a shot never shows this user's own settings.
  home=$(mktemp -d)
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    xvfb-run -a -s "-screen 0 1600x1000x24" "$build/shots/shot_$name" "$out"
  rm -rf "$home"
done
