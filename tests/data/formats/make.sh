#!/usr/bin/env bash
# Rebuilds the format test files from their sources with Debian 12's tools (scripts/deps.sh
# installs them) and heifmake (cmake --build build --target heifmake). Every command is also
# listed in README.md.
set -euo pipefail
cd "$(dirname "$0")"
heifmake=${HEIFMAKE:-../../../build/tools/heifmake}
/usr/bin/python3 make-sources.py

"$heifmake" --orientation 5 --thumbnail 32 quad.png heic-turn-mirror-thumb.heic
"$heifmake" --grid 64x48 --thumbnail 40 quad-120x90.png heic-grid.heic
"$heifmake" --orientation 6 --exif-orientation 6 quad.png heic-irot-exif6.heic
heif-enc -b 10 -q 90 scene16.png -o heic-10bit.heic
heif-enc -q 90 alpha.png -o heic-alpha.heic
avifenc -d 10 scene16.png avif-10bit.avif
avifenc alpha.png avif-alpha.avif
avifenc quad-o6.jpg avif-exif6.avif
avifenc frame1.png frame2.png frame3.png avif-anim.avif
cwebp -quiet -lossless alpha.png -o webp-lossless.webp
cwebp -quiet -q 80 scene.png -o webp-lossy.webp
cwebp -quiet -metadata exif quad-o6.jpg -o webp-exif6.webp
img2webp -loop 0 frame1.png frame2.png frame3.png -o webp-anim.webp
cjxl -d 0 alpha.png jxl-lossless.jxl
cjxl -d 1 scene.png jxl-lossy.jxl
cjxl quad-o6.jpg jxl-jpeg.jxl
cjxl -d 0 scene16.png jxl-16bit.jxl
cjxl anim.png jxl-anim.jxl
/usr/bin/python3 make-claims.py
/usr/bin/python3 make-hdr.py
avifenc --cicp 9/16/9 -d 10 -y 444 --min 0 --max 4 hdr-pq16.png hdr-pq.avif
avifenc --cicp 9/18/9 -d 10 -y 444 --min 0 --max 4 hdr-hlg16.png hdr-hlg.avif
heif-enc -b 10 -q 95 -p chroma=444 hdr-pq16.png -o hdr-pq.heic
/usr/bin/python3 make-hdr.py hdr-pq.heic 9 16 6
cjxl -d 0.2 -x color_space=RGB_D65_202_Rel_PeQ hdr-pq16.png hdr-pq.jxl
cjxl -d 0 -x color_space=RGB_D65_202_Rel_PeQ hdr-pq16.png hdr-pq-lossless.jxl

# The pictures Debian's own decoders make of them.
for f in heic-*.heic; do heif-convert "$f" "${f%.heic}.decoded.png"; done
for f in avif-alpha avif-exif6; do avifdec "$f.avif" "$f.decoded.png"; done
avifdec -d 16 avif-10bit.avif avif-10bit.decoded.png
avifdec --index 0 avif-anim.avif avif-anim.decoded.png
for f in webp-lossless webp-lossy webp-exif6; do dwebp "$f.webp" -o "$f.decoded.png"; done
webpmux -get frame 1 webp-anim.webp -o frame.webp && dwebp frame.webp -o webp-anim.decoded.png
rm frame.webp
for f in jxl-lossless jxl-lossy jxl-jpeg jxl-anim; do djxl "$f.jxl" "$f.decoded.png"; done
djxl --bits_per_sample=16 jxl-16bit.jxl jxl-16bit.decoded.png
