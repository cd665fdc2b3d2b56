# Sourced by the benchmark scripts, from the repository's root: installs what they need from
# Debian, builds the given targets in build-release/, and sets `corpus` (the unpacked pictures),
# `pixovia` (the program; PIXOVIA_PROGRAM names another build instead) and `work` (a temporary
# folder, removed on exit).
scripts/deps.sh --bench
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --parallel --target "$@" >/dev/null
pixovia=${PIXOVIA_PROGRAM:-$PWD/build-release/pixovia}
corpus=$(bench/fetch-corpus.sh)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
