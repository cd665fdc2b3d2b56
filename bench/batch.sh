#!/usr/bin/env bash
# The batch run, one row at a time against every core, over large real photographs.
# Prints the median of three runs of each: wall time, CPU time and peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh batch_bench
out=$work

median() { sort -n | sed -n 2p; }
run() { # mode width height -> "rows wall cpu peak converted" medians
  local lines
  lines=$(for _ in 1 2 3; do build-release/bench/batch_bench "$1" "$corpus/jpeg" "$out" "$2" "$3"; done)
  if echo "$lines" | awk '$2 != $6 { bad = 1 } END { exit !bad }'; then
    echo "bench: some pictures were not converted:" >&2
    echo "$lines" >&2
    exit 1
  fi
  printf '%s %s %s %s\n' "$(echo "$lines" | awk '{print $2}' | head -1)" \
    "$(echo "$lines" | awk '{print $3}' | median)" "$(echo "$lines" | awk '{print $4}' | median)" \
    "$(echo "$lines" | awk '{print $5}' | median)"
}

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)"
for size in "1600 900" "0 0"; do
  set -- $size
  label=$([ "$1" = 0 ] && echo "full size" || echo "$1 x $2")
  echo
  echo "Every JPEG of $corpus/jpeg to JPEG quality 80, $label:"
  printf '%-12s %6s %9s %9s %10s\n' mode rows wall_s cpu_s peak_MiB
  for mode in one-by-one parallel; do
    read -r rows wall cpu peak < <(run "$mode" "$1" "$2")
    printf '%-12s %6s %9s %9s %10s\n' "$mode" "$rows" "$wall" "$cpu" "$peak"
  done
done
