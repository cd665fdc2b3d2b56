#!/usr/bin/env bash
# The image browser over a folder of photographs, driven offscreen by bench/browser_bench:
# time to the first screenful and to the last thumbnail, the user-interface thread's worst
# lateness, peak memory, with a cold and a warm thumbnail cache, against vipsthumbnail.
# Then a folder of HEICS phone-style HEIC photographs (12 megapixels, a stored thumbnail, some
# grids of tiles; bench/modern-corpus.sh), cold, against vipsthumbnail.
# Usage: bench/browser.sh [FILES] [HEICS]   (default 500 and 200; BROWSER_PARTS="heic" runs only
# the HEIC folder, "photos" only the first)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh browser_bench heifmake
count=${1:-500}
heics=${2:-200}
parts=${BROWSER_PARTS:-photos heic}
if [[ " $parts " == *" photos "* ]]; then

  # The folder: the corpus photographs (9 to 24 megapixels), each also at half size (2 to 6
  # megapixels) and the JPEGs also progressive, repeated under distinct names up to FILES. Hard
  # links, so that the folder costs no disk space; every name is its own thumbnail-cache entry.
  folder=$work/photos
  mkdir -p "$folder" "$work/variants" "$work/vips"
  for f in "$corpus"/jpeg/* "$corpus"/png/*; do
    base=$(basename "${f%.*}") ext=${f##*.}
    vips resize "$f" "$work/variants/$base-half.$ext" 0.5
    if [ "$ext" = jpg ]; then vips copy "$f" "$work/variants/$base-prog.jpg[interlace,Q=90]"; fi
  done
  sources=("$corpus"/jpeg/* "$corpus"/png/* "$work"/variants/*)
  # Some corpus photographs are progressive themselves; each source is asked once.
  declare -A isProgressive
  for src in "${sources[@]}"; do
    [ "$(identify -ping -format '%[interlace]' "$src[0]" 2>/dev/null)" = JPEG ] && isProgressive[$src]=1
  done
  progressive=0
  for ((n = 0; n < count; n++)); do
    src=${sources[n % ${#sources[@]}]}
    dst=$folder/$(printf 'photo%04d' "$n").${src##*.}
    ln "$src" "$dst" 2>/dev/null || cp "$src" "$dst"
    if [ -n "${isProgressive[$src]:-}" ]; then progressive=$((progressive + 1)); fi
  done
  jpegs=$(find "$folder" -name '*.jpg' | wc -l)
  # Every run reads the pictures from memory, so that no tool pays for the disk alone.
  cat "$folder"/* >/dev/null

  echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), load $(cut -d' ' -f1 /proc/loadavg)"
  echo "Folder: $count files ($jpegs JPEG of which $progressive progressive, $((count - jpegs)) PNG), 2 to 24 megapixels"
  echo
  printf '%-8s %6s %14s %8s %16s %20s\n' run files first_screen_s last_s worst_ui_gap_ms peak_above_idle_MiB
  cache=$work/cache
  # cold: empty thumbnail cache; refill: the same folder again in the same window; warm: a new
  # program start with the cache the cold run wrote; cold-jpg and cold-png: the folder's JPEGs and
  # its PNGs alone, each with an empty cache.
  out=$(XDG_CACHE_HOME=$cache build-release/bench/browser_bench "$folder" cold refill 2>/dev/null)
  echo "$out"
  XDG_CACHE_HOME=$cache build-release/bench/browser_bench "$folder" warm 2>/dev/null
  # The same files split by format, each cold: what a first screenful of each costs.
  mkdir -p "$work/only-jpeg" "$work/only-png"
  ln "$folder"/*.jpg "$work/only-jpeg/"
  ln "$folder"/*.png "$work/only-png/"
  XDG_CACHE_HOME=$work/cache-jpeg build-release/bench/browser_bench "$work/only-jpeg" cold-jpg 2>/dev/null
  XDG_CACHE_HOME=$work/cache-png build-release/bench/browser_bench "$work/only-png" cold-png 2>/dev/null

  start=$(date +%s.%N)
  vipsthumbnail --size 96x70 -o "$work/vips/%s.jpg" "$folder"/*
  vips_s=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')
  cold_last=$(echo "$out" | awk '$1 == "cold" {print $4}')
  echo
  printf 'vipsthumbnail --size 96x70, same files: %.3f s\n' "$vips_s"
  awk -v a="$cold_last" -v b="$vips_s" \
    'BEGIN {printf "Cold fill to the last thumbnail as a share of vipsthumbnail: %.2f (goal <= 0.6)\n", a / b}'
  echo "Goals: first screen < 0.3 s; worst gap < 50 ms; warm refill < 0.3 s; peak < 64 MiB"
fi

if [[ " $parts " == *" heic "* ]]; then
  bench/modern-corpus.sh "$corpus" "$PWD/build-release/tools/heifmake"
  phones=$work/phone
  mkdir -p "$phones" "$work/vips-heic"
  sources=("$corpus"/heic/*.heic)
  for ((n = 0; n < heics; n++)); do
    src=${sources[n % ${#sources[@]}]}
    ln "$src" "$phones/$(printf 'IMG_%04d' "$n").HEIC" 2>/dev/null || cp "$src" "$phones/$(printf 'IMG_%04d' "$n").HEIC"
  done
  cat "$phones"/* >/dev/null
  echo
  echo "Folder: $heics HEIC photographs of 12 megapixels with a stored thumbnail ($(ls "$corpus"/heic/*-grid.heic | wc -l) of ${#sources[@]} sources are grids of tiles), load $(cut -d' ' -f1 /proc/loadavg)"
  printf '%-8s %6s %14s %8s %16s %20s\n' run files first_screen_s last_s worst_ui_gap_ms peak_above_idle_MiB
  heic_out=$(XDG_CACHE_HOME=$work/cache-heic build-release/bench/browser_bench "$phones" cold-heic 2>/dev/null)
  echo "$heic_out"
  start=$(date +%s.%N)
  vipsthumbnail --size 96x70 -o "$work/vips-heic/%s.jpg" "$phones"/*
  vips_heic=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')
  printf 'vipsthumbnail --size 96x70, same files: %.3f s\n' "$vips_heic"
  awk -v a="$(echo "$heic_out" | awk '{print $4}')" -v b="$vips_heic" \
    'BEGIN {printf "Cold fill to the last thumbnail as a share of vipsthumbnail: %.2f (goal <= 0.6)\n", a / b}'
  echo "Goals: first screen < 0.5 s; last thumbnail <= 0.6 x vipsthumbnail"
fi
