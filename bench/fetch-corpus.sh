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
echo "$corpus"
