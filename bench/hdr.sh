#!/usr/bin/env bash
# The cost of bringing HDR pictures to SDR: a 24-megapixel photograph (6000 x 4000, from the
# benchmark corpus) as a 10-bit BT.2020 AVIF, once marked PQ and once with the same samples
# marked SDR (BT.709 transfer), which decodes through the plain 16-bit rounding. Usage:
# bench/hdr.sh BUILD (the build folder holding bench/decode_bench).
set -euo pipefail
build=${1:-build}
corpus=$(bench/fetch-corpus.sh)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vips thumbnail "$corpus/jpeg/p03.jpg" "$work/8.v" 6000 --height 4000 --crop centre
vips linear "$work/8.v" "$work/16.v" 257 0
vips cast "$work/16.v" "$work/photo16.png" ushort
avifenc -j 2 -s 6 -d 10 -y 420 --min 24 --max 24 --cicp 9/16/9 "$work/photo16.png" "$work/pq.avif" >/dev/null
avifenc -j 2 -s 6 -d 10 -y 420 --min 24 --max 24 --cicp 9/1/9 "$work/photo16.png" "$work/sdr.avif" >/dev/null
"$build/bench/decode_bench" "$work/sdr.avif" "$work/pq.avif" --runs 5
