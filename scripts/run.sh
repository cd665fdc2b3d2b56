#!/usr/bin/env bash
# Installs what is missing, builds Pixovia and starts it. Arguments go to the program. Without
# any, it opens the window on a desktop (DISPLAY or WAYLAND_DISPLAY set); with no display it runs
# the demo job in examples/ instead and lists what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --parallel --target pixovia
if [ $# -gt 0 ]; then
  exec build/pixovia "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/pixovia
fi
status=0
build/pixovia examples/demo.xml || status=$?
ls -l examples/out
exit $status
