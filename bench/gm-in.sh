#!/usr/bin/env bash
# gm mogrify -output-directory keeps an input's path below the output folder, so it runs inside
# the input folder on plain names. Usage: gm-in.sh DIR GM-MOGRIFY-ARGS...
cd "$1" && shift && exec gm mogrify "$@"
