#!/usr/bin/env bash
# The codec limit of resizing JPEGs to 800 x 600: libjpeg-turbo's own tools decode each JPEG at
# the smallest DCT scale that still covers 800 x 600 and encode an 800 x 600 picture at
# quality 80. Usage: codec-limit.sh OUTDIR FRAME.ppm SCALES, where SCALES holds lines
# "M PATH" (decode at M/8).
set -euo pipefail
out=$1 frame=$2 scales=$3
while read -r m f; do
  djpeg -scale "$m/8" -ppm "$f" >/dev/null
  cjpeg -quality 80 "$frame" >"$out/$(basename "$f")"
done <"$scales"
