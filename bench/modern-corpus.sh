#!/usr/bin/env bash
# Makes the HEIC, WebP, AVIF and JPEG XL benchmark pictures from the wallpaper corpus
# (bench/fetch-corpus.sh) with Debian's tools, once. Usage: bench/modern-corpus.sh CORPUS HEIFMAKE
#   CORPUS/heic:   12-megapixel photographs (4032 x 3024) as phones write them: HEIC at quality
#                  80 with a 320-pixel thumbnail (heif-enc -t 320), and two of them as grids of
#                  512 x 512 tiles with a thumbnail (heifmake, over libheif's API, since heif-enc
#                  writes no grid);
#   CORPUS/modern: the JPEG photographs as WebP (cwebp -q 80), AVIF (avifenc, quantizer 24,
#                  4:2:0, speed 6) and JPEG XL (cjxl -d 1 from the pixels), at their own size,
#                  named NAME-webp.webp, NAME-avif.avif, NAME-jxl.jxl.
set -euo pipefail
corpus=$1
heifmake=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -f "$corpus/heic/.done" ]; then
  mkdir -p "$corpus/heic"
  i=0
  for f in "$corpus"/jpeg/*.jpg "$corpus"/png/*.png; do
    i=$((i + 1))
    [ $i -le 10 ] || break
    base=$(basename "${f%.*}")
    vips thumbnail "$f" "$work/$base.png" 4032 --height 3024 --crop centre
    if [ $i -le 2 ]; then
      "$heifmake" --quality 80 --grid 512x512 --thumbnail 320 "$work/$base.png" "$corpus/heic/$base-grid.heic"
    else
      heif-enc -q 80 -t 320 "$work/$base.png" -o "$corpus/heic/$base.heic" >/dev/null
    fi
  done
  touch "$corpus/heic/.done"
fi

if [ ! -f "$corpus/modern/.done" ]; then
  mkdir -p "$corpus/modern"
  for f in "$corpus"/jpeg/*.jpg; do
    base=$(basename "${f%.jpg}")
    cwebp -quiet -q 80 "$f" -o "$corpus/modern/$base-webp.webp"
    avifenc -j 2 -s 6 -y 420 --min 24 --max 24 "$f" "$corpus/modern/$base-avif.avif" >/dev/null
    cjxl --lossless_jpeg=0 -d 1 "$f" "$corpus/modern/$base-jxl.jxl" >/dev/null 2>&1
  done
  touch "$corpus/modern/.done"
fi
