#!/usr/bin/env bash
# Unpacks the benchmark pictures: large photographs and artwork from Debian's wallpaper
# packages (fetched with apt-get download, kept outside the repository). Prints the folder.
set -euo pipefail
corpus=${PIXOVIA_BENCH_CORPUS:-/tmp/pixovia-bench-corpus}
if [ ! -f "$corpus/.done" ]; then
  work=$(mktemp -d)
  (cd "$work" && apt-get download plasma-workspace-wallpapers gnome-backgrounds ukui-wallpapers >/dev/null 2>&1)
  mkdir -p "$corpus/jpeg" "$corpus/png"
  for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$work/x"; done
  # Pictures of 9 to 24 megapixels, under unique names.
  i=0
  while IFS= read -r f; do
    read -r w h < <(identify -format '%w %h\n' "$f[0]" 2>/dev/null || echo 0 0)
    px=$((w * h))
    if [ "$px" -ge 9000000 ] && [ "$px" -le 24000000 ]; then
      i=$((i + 1))
      ext=${f##*.}
      cp "$f" "$corpus/$( [ "$ext" = png ] && echo png || echo jpeg )/$(printf 'p%02d' $i).${ext,,}"
    fi
  done < <(find "$work/x" -type f \( -iname '*.jpg' -o -iname '*.png' \) -size +500k | sort)
  rm -rf "$work"
  touch "$corpus/.done"
fi
# A mixed list: 16 baseline JPEGs of 2560 x 1600 with three progressive ones of 5120 x 2880
# among them (rows 5, 12 and 19 in name order, the last one at the end), made from the pictures
# above.
if [ ! -f "$corpus/jpeg-mixed/.done" ]; then
  mkdir -p "$corpus/jpeg-mixed"
  sources=("$corpus"/jpeg/*.jpg "$corpus"/png/*.png)
  large=()
  for f in "$corpus"/jpeg/p06.jpg "$corpus"/jpeg/p14.jpg "$corpus"/jpeg/p16.jpg; do
    [ -f "$f" ] && large+=("$f")
  done
  [ ${#large[@]} -gt 0 ] || large=("${sources[@]}")
  s=0 l=0
  for row in $(seq 19); do
    name=$(printf '%s/jpeg-mixed/m%02d.jpg' "$corpus" "$row")
    case $row in
      5 | 12 | 19)
        convert "${large[l % ${#large[@]}]}" -resize '5120x2880!' -quality 85 -interlace JPEG "$name"
        l=$((l + 1)) ;;
      *)
        convert "${sources[s % ${#sources[@]}]}" -resize '2560x1600!' -quality 85 -interlace none "$name"
        s=$((s + 1)) ;;
    esac
  done
  touch "$corpus/jpeg-mixed/.done"
fi
echo "$corpus"
