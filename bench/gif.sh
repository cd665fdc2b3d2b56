#!/usr/bin/env bash
# The GIF quantiser against ImageMagick's on the same pictures: both reduce the same full-colour
# PNGs (the benchmark's artwork at half size) to GIFs; prints each tool's time and megapixels a
# second, and the PSNR of each GIF against the PNG it came from (higher is better).
# Usage: bench/gif.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
source bench/setup.sh pixovia

# job FOLDER OUT FORMAT [half]: one entry per picture of FOLDER.
job() {
  echo "<job>"
  for f in "$1"/*.png; do
    local size=""
    if [ "${4:-}" = half ]; then
      read -r w h < <(identify -format '%w %h\n' "$f")
      size="width=\"$(((w + 1) / 2))\" height=\"$(((h + 1) / 2))\""
    fi
    echo "  <image path=\"$1\" name=\"$(basename "$f")\" outputfolder=\"$2\" outputformat=\"$3\" overwrite=\"1\" $size/>"
  done
  echo "</job>"
}

# The references: the PNG artwork at half size, as lossless PNGs.
mkdir -p "$work/ref"
job "$corpus/png" "$work/ref" png half >"$work/ref.xml"
"$pixovia" --console "$work/ref.xml" >/dev/null
megapixels=$(identify -format '%w %h\n' "$work"/ref/*.png | awk '{s += $1 * $2} END {printf "%.1f", s / 1e6}')
echo "Pictures: $(ls "$work"/ref/*.png | wc -l), $megapixels megapixels in all; $runs runs, median"

median_wall() { # COMMAND... -> median wall seconds
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e' "$@" 2>&1 >/dev/null | tail -1
  done | sort -n | sed -n "$(((runs + 1) / 2))p"
}

job "$work/ref" "$work/pixovia" gif >"$work/gif.xml"
mkdir -p "$work/pixovia" "$work/im"
t_pixovia=$(median_wall "$pixovia" --console "$work/gif.xml")
t_im=$(median_wall mogrify -path "$work/im" -format gif "$work"/ref/*.png)

psnr_of() { # FOLDER -> mean PSNR of its GIFs against the references
  for g in "$1"/*.gif; do
    compare -metric PSNR "$g" "$work/ref/$(basename "${g%.gif}").png" null: 2>&1 || true
    echo
  done | awk 'NF {s += $1; n++} END {printf "%.2f", s / n}'
}

printf '%-12s %8s %8s %10s\n' tool wall_s MP/s psnr_dB
for tool in pixovia im; do
  t=$([ $tool = pixovia ] && echo "$t_pixovia" || echo "$t_im")
  printf '%-12s %8.2f %8.1f %10s\n' $tool "$t" "$(awk -v m="$megapixels" -v t="$t" 'BEGIN {print m / t}')" "$(psnr_of "$work/$tool")"
done
echo "(wall time includes reading the PNGs and writing the GIFs; ImageMagick uses $(nproc) threads)"
