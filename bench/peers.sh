#!/usr/bin/env bash
# Pixovia's job run against ImageMagick, GraphicsMagick and libvips on the same pictures, in one
# run. For each workload and tool: the median of three runs of wall time, CPU time (user + sys),
# peak memory (largest resident set of any process of the tool), and the bytes written; then
# Pixovia's ratio to each peer. Usage: bench/peers.sh [RUNS]
# PEERS_WORKLOADS="W1 W5" runs only those workloads (all ten by default); PIXOVIA_PROGRAM
# measures another build of the program (bench/setup.sh); PEERS_AVIF_QUALITY is Pixovia's
# quality in W8 (50 by default, matched to libvips's default by the bytes written);
# PIXOVIA_BASELINE names a second build measured beside it on W1 and W10 (the row
# "baseline"), e.g. the build before a change.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
source bench/setup.sh pixovia heifmake ssim

# W4's inputs: the PNG artwork, and copies of it as BMP, GIF and TIFF (made once).
mixed="$corpus/mixed"
if [ ! -f "$mixed/.done" ]; then
  mkdir -p "$mixed"
  i=0
  for f in "$corpus"/png/*.png; do
    i=$((i + 1))
    case $((i % 4)) in
      1) cp "$f" "$mixed/" ;;
      2) convert "$f" "$mixed/$(basename "${f%.png}").bmp" ;;
      3) convert "$f" "$mixed/$(basename "${f%.png}").gif" ;;
      0) convert "$f" -compress lzw "$mixed/$(basename "${f%.png}").tif" ;;
    esac
  done
  touch "$mixed/.done"
fi

# measure OUTDIR COMMAND... -> "wall cpu peak_kb bytes" of one run (output folder emptied first)
measure() {
  local out=$1
  shift
  rm -rf "$out" && mkdir -p "$out"
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$@" >/dev/null 2>"$work/stderr" ||
    echo "bench: $1 failed: $(tail -2 "$work/stderr")" >&2
  local t bytes
  t=$(tail -1 "$work/time")
  bytes=$(find "$out" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  echo "$t $bytes" | awk '{printf "%.3f %.3f %d %d\n", $1, $2 + $3, $4, $5}'
}

# median of RUNS measurements: prints "wall cpu peak_mib bytes"
median_of() {
  local lines=""
  for _ in $(seq "$runs"); do lines+="$(measure "$@")"$'\n'; done
  local mid=$(((runs + 1) / 2))
  printf '%s' "$lines" | sort -n -k1 | sed -n "${mid}p" |
    awk '{printf "%.3f %.3f %.1f %d\n", $1, $2, $3 / 1024, $4}'
}

# A Pixovia job file: one image entry per picture of FOLDER matching GLOB.
# ATTRS is added to every entry; SIZE is "full", "half" or "WxH".
make_job() {
  local folder=$1 glob=$2 attrs=$3 size=$4 out=$5
  echo "<job>"
  for f in "$folder"/$glob; do
    local name w h sizeattrs=""
    name=$(basename "$f")
    case $size in
      full) ;;
      half)
        read -r w h < <(identify -format '%w %h\n' "$f[0]")
        sizeattrs="width=\"$(((w + 1) / 2))\" height=\"$(((h + 1) / 2))\"" ;;
      *) sizeattrs="width=\"${size%x*}\" height=\"${size#*x}\"" ;;
    esac
    echo "  <image path=\"$folder\" name=\"$name\" outputfolder=\"$out\" overwrite=\"1\" $sizeattrs $attrs/>"
  done
  echo "</job>"
}

results=()
row() { # workload tool "wall cpu peak bytes"
  results+=("$1 $2 $3")
  printf '%-4s %-14s %9s %9s %10s %12s\n' "$1" "$2" $3
}

vips_each() { # OUT SUFFIX COMMAND-TEMPLATE, for every input file
  local out=$1 suffix=$2
  shift 2
  for f in "${inputs[@]}"; do
    local base
    base=$(basename "${f%.*}")
    "$@" "$f" "$out/$base$suffix"
  done
}

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo); $runs runs each, medians"
echo "Corpus: $(ls "$corpus"/jpeg/*.jpg | wc -l) JPEGs, $(ls "$mixed" | grep -vc '^\.') PNG/BMP/GIF/TIFF pictures, $(ls "$corpus"/jpeg-mixed/*.jpg | wc -l) JPEGs of mixed sizes ($corpus)"
echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
workloads=${PEERS_WORKLOADS:-W1 W2 W3 W4 W5 W6 W7 W8 W9 W10}
baseline=${PIXOVIA_BASELINE:-}
wanted() { [[ " $workloads " == *" $1 "* ]]; }

# Start-up and shutdown: a job file without entries, median of eleven runs.
echo "<job/>" >"$work/empty.xml"
startup=$(for _ in $(seq 11); do
  /usr/bin/time -f '%e' "$pixovia" --console "$work/empty.xml" 2>&1 >/dev/null | tail -1
done | sort -n | sed -n 6p)
echo "Start-up: Pixovia with an empty job file takes ${startup} s"
printf '\n%-4s %-14s %9s %9s %10s %12s\n' work tool wall_s cpu_s peak_MiB out_bytes

out=$work/out
export MAGICK_THREAD_LIMIT=$(nproc) VIPS_CONCURRENCY=$(nproc)

# W1: every JPEG of FOLDER to exactly 800 x 600, JPEG quality 80, as workload NAME.
w1_style() {
  local name=$1 folder=$2
  inputs=("$folder"/*.jpg)
  make_job "$folder" '*.jpg' 'outputformat="jpg" quality="80"' 800x600 "$out" >"$work/$name.xml"
  row "$name" pixovia "$(median_of "$out" "$pixovia" --console "$work/$name.xml")"
  if [ -n "$baseline" ]; then
    row "$name" baseline "$(median_of "$out" "$baseline" --console "$work/$name.xml")"
  fi
  row "$name" imagemagick "$(median_of "$out" mogrify -path "$out" -resize '800x600!' -quality 80 -format jpg "${inputs[@]}")"
  names=("${inputs[@]##*/}")
  row "$name" graphicsmagick "$(median_of "$out" bench/gm-in.sh "$folder" -output-directory "$out" -resize '800x600!' -quality 80 -format jpg "${names[@]}")"
  row "$name" libvips "$(median_of "$out" vipsthumbnail -s '800x600!' -o "$out/%s.jpg[Q=80]" "${inputs[@]}")"

  # The codec limit (bench/codec-limit.sh), with the DCT scales worked out beforehand.
  convert -size 800x600 gradient:red-blue "$work/frame.ppm"
  for f in "${inputs[@]}"; do
    read -r w h < <(identify -format '%w %h\n' "$f")
    m=1
    while [ $(((w * m + 7) / 8)) -lt 800 ] || [ $(((h * m + 7) / 8)) -lt 600 ]; do m=$((m + 1)); done
    echo "$m $f"
  done >"$work/scales"
  row "$name" codec-limit "$(median_of "$out" bench/codec-limit.sh "$out" "$work/frame.ppm" "$work/scales")"
}

wanted W1 && w1_style W1 "$corpus/jpeg"
inputs=("$corpus"/jpeg/*.jpg)
names=("${inputs[@]##*/}")

if wanted W2; then
  # W2: every JPEG to PNG at full size.
  make_job "$corpus/jpeg" '*.jpg' 'outputformat="png"' full "$out" >"$work/w2.xml"
  row W2 pixovia "$(median_of "$out" "$pixovia" --console "$work/w2.xml")"
  row W2 imagemagick "$(median_of "$out" mogrify -path "$out" -format png "${inputs[@]}")"
  row W2 graphicsmagick "$(median_of "$out" bench/gm-in.sh "$corpus/jpeg" -output-directory "$out" -format png "${names[@]}")"
  row W2 libvips "$(median_of "$out" bash -c 'for f in "$@"; do b=$(basename "${f%.*}"); vips copy "$f" "'"$out"'/$b.png"; done' _ "${inputs[@]}")"
fi

if wanted W3; then
  # W3: every JPEG turned 90 degrees and mirrored, JPEG quality 90, full size.
  make_job "$corpus/jpeg" '*.jpg' 'outputformat="jpg" quality="90" rotate="90" mirror="1"' full "$out" >"$work/w3.xml"
  row W3 pixovia "$(median_of "$out" "$pixovia" --console "$work/w3.xml")"
  row W3 imagemagick "$(median_of "$out" mogrify -path "$out" -rotate 90 -flop -quality 90 -format jpg "${inputs[@]}")"
  row W3 graphicsmagick "$(median_of "$out" bench/gm-in.sh "$corpus/jpeg" -output-directory "$out" -rotate 90 -flop -quality 90 -format jpg "${names[@]}")"
  row W3 libvips "$(median_of "$out" bash -c 'for f in "$@"; do b=$(basename "${f%.*}"); vips rot "$f" "'"$work"'/t.v" d90 && vips flip "'"$work"'/t.v" "'"$out"'/$b.jpg[Q=90]" horizontal; done' _ "${inputs[@]}")"
fi

if wanted W4; then
  # W4: PNG, BMP, GIF and TIFF pictures to GIF and to TIFF at half their size. Each tool writes
  # to its own folders, kept for the GIF error below.
  inputs=("$mixed"/*.*)
  names=("${inputs[@]##*/}")
  for format in gif tif; do
    make_job "$mixed" '*.*' "outputformat=\"$format\"" half "$work/w4-pixovia-$format" >"$work/w4-$format.xml"
    o=$work/w4-pixovia-$format
    row "W4" "pixovia-$format" "$(median_of "$o" "$pixovia" --console "$work/w4-$format.xml")"
    o=$work/w4-im-$format
    row "W4" "im-$format" "$(median_of "$o" mogrify -path "$o" -resize 50% -format "$format" "${inputs[@]}")"
    o=$work/w4-gm-$format
    row "W4" "gm-$format" "$(median_of "$o" bench/gm-in.sh "$mixed" -output-directory "$o" -resize 50% -format "$format" "${names[@]}")"
    o=$work/w4-vips-$format
    row "W4" "vips-$format" "$(median_of "$o" bash -c 'for f in "$@"; do b=$(basename "${f%.*}"); vips resize "$f" "'"$o"'/$b.'"$format"'" 0.5; done' _ "${inputs[@]}")"
  done

  # GIF error: each tool's GIF against its own (lossless) TIFF of the same half-size picture, so
  # that only the reduction to 256 colours and its dithering are measured, not the resampling.
  # Mean PSNR over the pictures, in dB (higher is better).
  echo
  echo "W4 GIF error, each tool's GIF against its own TIFF (mean PSNR, dB; higher is better):"
  for tool in pixovia im gm vips; do
    total=0 count=0
    for g in "$work/w4-$tool-gif"/*.gif; do
      t="$work/w4-$tool-tif/$(basename "${g%.gif}").tif"
      [ -f "$t" ] || continue
      p=$(compare -metric PSNR "$g" "$t" null: 2>&1 >/dev/null || true)
      total=$(awk -v a="$total" -v b="${p%% *}" 'BEGIN {print a + b}')
      count=$((count + 1))
    done
    awk -v t="$total" -v n="$count" -v tool="$tool" 'BEGIN {if (n) printf "W4   %-14s gif psnr %.2f over %d pictures\n", tool, t / n, n}'
  done
fi

# W5: W1 on a mixed list, 16 baseline JPEGs of 2560 x 1600 with three progressive ones of
# 5120 x 2880 among them, the last at the end of the list.
wanted W5 && w1_style W5 "$corpus/jpeg-mixed"

# W6 to W9: today's formats (bench/modern-corpus.sh): 12-megapixel HEICs as phones write them,
# and the JPEG photographs as WebP, AVIF and JPEG XL.
if wanted W6 || wanted W9; then
  bench/modern-corpus.sh "$corpus" "$PWD/build-release/tools/heifmake"
  echo "HEIC: $(ls "$corpus"/heic/*.heic | wc -l) of 12 megapixels, $(ls "$corpus"/heic/*-grid.heic | wc -l) of them grids; WebP, AVIF, JPEG XL: $(ls "$corpus"/modern/* | wc -l) photographs"
fi

if wanted W6; then
  # W6: every HEIC to exactly 1600 x 1200, JPEG quality 85.
  inputs=("$corpus"/heic/*.heic)
  make_job "$corpus/heic" '*.heic' 'outputformat="jpg" quality="85"' 1600x1200 "$out" >"$work/w6.xml"
  row W6 pixovia "$(median_of "$out" "$pixovia" --console "$work/w6.xml")"
  row W6 libvips "$(median_of "$out" vipsthumbnail -s '1600x1200!' -o "$out/%s.jpg[Q=85]" "${inputs[@]}")"
fi

if wanted W7; then
  # W7: every JPEG to WebP at quality 80, full size.
  inputs=("$corpus"/jpeg/*.jpg)
  make_job "$corpus/jpeg" '*.jpg' 'outputformat="webp" quality="80"' full "$out" >"$work/w7.xml"
  row W7 pixovia "$(median_of "$out" "$pixovia" --console "$work/w7.xml")"
  row W7 libvips "$(median_of "$out" bash -c 'for f in "$@"; do b=$(basename "${f%.*}"); vips copy "$f" "'"$out"'/$b.webp[Q=80]"; done' _ "${inputs[@]}")"
fi

if wanted W8; then
  # W8: every JPEG to exactly 1600 x 1200 AVIF: libvips at its defaults (Q 50, effort 4),
  # Pixovia at PEERS_AVIF_QUALITY. The SSIM of each tool's AVIF is measured against the same
  # tool's PNG of the same 1600 x 1200 picture (bench/ssim), so that only the AVIF encoding
  # counts, not the two tools' different resampling.
  inputs=("$corpus"/jpeg/*.jpg)
  avifq=${PEERS_AVIF_QUALITY:-50}
  make_job "$corpus/jpeg" '*.jpg' "outputformat=\"avif\" quality=\"$avifq\"" 1600x1200 "$work/w8-pixovia" >"$work/w8.xml"
  row W8 pixovia "$(median_of "$work/w8-pixovia" "$pixovia" --console "$work/w8.xml")"
  row W8 libvips "$(median_of "$work/w8-vips" vipsthumbnail -s '1600x1200!' -o "$work/w8-vips/%s.avif[Q=50]" "${inputs[@]}")"
  make_job "$corpus/jpeg" '*.jpg' 'outputformat="png"' 1600x1200 "$work/w8-pixovia-png" >"$work/w8png.xml"
  mkdir -p "$work/w8-vips-png"
  "$pixovia" --console "$work/w8png.xml" >/dev/null
  vipsthumbnail -s '1600x1200!' -o "$work/w8-vips-png/%s.png" "${inputs[@]}"
  for tool in pixovia vips; do
    for a in "$work/w8-$tool"/*.avif; do
      build-release/bench/ssim "$work/w8-$tool-png/$(basename "${a%.avif}").png" "$a"
    done | awk -v tool="$tool" -v q="$([ $tool = pixovia ] && echo "$avifq" || echo 50)" \
      '{ s += $1; n++ } END { printf "W8   %-14s quality %s: mean SSIM %.4f over %d pictures\n", tool, q, s / n, n }'
  done
fi

if wanted W9; then
  # W9: WebP, AVIF and JPEG XL photographs to exactly 800 x 600, JPEG quality 80.
  inputs=("$corpus"/modern/*.*)
  make_job "$corpus/modern" '*.*' 'outputformat="jpg" quality="80"' 800x600 "$out" >"$work/w9.xml"
  row W9 pixovia "$(median_of "$out" "$pixovia" --console "$work/w9.xml")"
  row W9 libvips "$(median_of "$out" vipsthumbnail -s '800x600!' -o "$out/%s.jpg[Q=80]" "${inputs[@]}")"
fi

# W10: W1 on copies of its pictures that carry what a camera writes: EXIF (camera, date,
# exposure, GPS, an IFD1 preview), XMP, IPTC and an Adobe RGB (1998)-compatible profile (colord's,
# fetched with apt-get download), made once with exiftool. Pixovia keeps the metadata (the
# default), removes it all ("strip": what it wrote before it kept any), and converts to sRGB.
if wanted W10; then
  camera="$corpus/jpeg-camera"
  if [ ! -f "$camera/.done" ]; then
    mkdir -p "$camera" "$work/colord"
    (cd "$work/colord" && apt-get download colord-data >/dev/null 2>&1 && dpkg-deb -x colord-data_*.deb x)
    convert -size 160x120 gradient:gray-white "$work/thumb.jpg"
    cp "$corpus"/jpeg/*.jpg "$camera/"
    exiftool -q -overwrite_original -Make=Camera -Model="Model 1" -DateTimeOriginal="2024:05:06 07:08:09" \
      -ExposureTime=0.004 -FNumber=5.6 -ISO=200 -FocalLength=35 -Orientation#=1 \
      -GPSLatitude=48.85 -GPSLatitudeRef=N -GPSLongitude=2.35 -GPSLongitudeRef=E "-ThumbnailImage<=$work/thumb.jpg" \
      -XMP-dc:Creator="A Photographer" -XMP-photoshop:City=Paris -IPTC:By-line="A Photographer" \
      "-ICC_Profile<=$work/colord/x/usr/share/color/icc/colord/AdobeRGB1998.icc" "$camera"/*.jpg
    touch "$camera/.done"
  fi
  for choice in keep strip srgb; do
    case $choice in
      keep) attrs='' ;;
      strip) attrs='metadata="strip"' ;;
      srgb) attrs='colour="srgb"' ;;
    esac
    make_job "$camera" '*.jpg' "outputformat=\"jpg\" quality=\"80\" $attrs" 800x600 "$out" >"$work/w10-$choice.xml"
    row W10 "pixovia-$choice" "$(median_of "$out" "$pixovia" --console "$work/w10-$choice.xml")"
  done
  if [ -n "$baseline" ]; then
    row W10 baseline "$(median_of "$out" "$baseline" --console "$work/w10-keep.xml")"
  fi
fi

echo
echo "Pixovia's wall time and output bytes as a share of each peer's (below 1: Pixovia is faster or smaller):"
printf '%s\n' "${results[@]}" | awk '
  { key = $1; tool = $2; wall[key, tool] = $3; bytes[key, tool] = $6; tools[key] = tools[key] " " tool }
  END {
    split("W1 W2 W3 W4 W5 W6 W7 W8 W9", ws, " ")
    for (i = 1; i <= 9; i++) {
      w = ws[i]; n = split(tools[w], ts, " ")
      for (j = 1; j <= n; j++) {
        t = ts[j]; if (t ~ /^pixovia/ || t == "codec-limit" || t == "baseline") continue
        p = (w == "W4") ? "pixovia-" substr(t, length(t) - 2) : "pixovia"
        if (wall[w, t] > 0) printf "%-4s vs %-14s wall %.2f  bytes %.2f\n", w, t, wall[w, p] / wall[w, t], bytes[w, p] / (bytes[w, t] > 0 ? bytes[w, t] : 1)
      }
      if (wall[w, "codec-limit"] > 0)
        printf "%-4s vs codec limit / cores: %.2f\n", w, wall[w, "pixovia"] / (wall[w, "codec-limit"] / '"$(nproc)"')
    }
    if (wall["W1", "baseline"] > 0)
      printf "W1   pixovia vs baseline          wall %.3f\n", wall["W1", "pixovia"] / wall["W1", "baseline"]
    if (wall["W10", "pixovia-strip"] > 0) {
      printf "W10  metadata kept vs removed     wall %.3f\n", wall["W10", "pixovia-keep"] / wall["W10", "pixovia-strip"]
      printf "W10  sRGB vs profile kept         wall %.3f\n", wall["W10", "pixovia-srgb"] / wall["W10", "pixovia-keep"]
    }
    if (wall["W10", "baseline"] > 0)
      printf "W10  metadata kept vs baseline    wall %.3f\n", wall["W10", "pixovia-keep"] / wall["W10", "baseline"]
  }'
