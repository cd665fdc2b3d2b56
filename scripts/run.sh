#!/usr/bin/env bash
# Installs what is missing, builds Pixovia and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --parallel --target pixovia
exec build/pixovia "$@"
