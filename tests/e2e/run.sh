#!/usr/bin/env bash
# Runs one end-to-end road (tests/e2e/road_<ROAD>.py) against the program: a virtual X server, a
# private D-Bus session with the accessibility bus, and a sandbox HOME and XDG folders, all
# started here and gone afterwards. On failure the road's work folder keeps the screenshot, the
# accessibility tree dump and the program's output; the log prints their paths.
# Usage: tests/e2e/run.sh PIXOVIA ROAD [WORK_ROOT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--session" ]; then
  # Inside xvfb-run and dbus-run-session: the accessibility bus, then the road.
  shift
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  trap 'kill "$launcher" 2>/dev/null || true; wait "$launcher" 2>/dev/null || true' EXIT
  # The bus launcher answers on the session bus once the accessibility bus is up.
  for _ in $(seq 100); do
    if dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1; then
      break
    fi
    sleep 0.1
  done
  status=0
  /usr/bin/python3 "$here/road_$1.py" || status=$?
  exit "$status"
fi

[ $# -ge 2 ] || { echo "usage: $0 PIXOVIA ROAD [WORK_ROOT]" >&2; exit 2; }
program=$(realpath "$1")
road=$2
root=${3:-${TMPDIR:-/tmp}/pixovia-e2e}
[ -f "$here/road_$road.py" ] || { echo "no road $road in $here" >&2; exit 2; }

work=$root/$road
rm -rf "$work"
mkdir -p "$work/home/.config" "$work/home/.cache" "$work/home/.local/share" "$work/runtime"
chmod 700 "$work/runtime"
work=$(realpath "$work")

export PIXOVIA=$program E2E_WORK=$work PYTHONDONTWRITEBYTECODE=1
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS SESSION_MANAGER WAYLAND_DISPLAY

# xvfb-run -a tries :99 first, as does every other xvfb-run on the machine, and two starting at
# once collide; a display number drawn at random rarely does, and a collision fails before the
# road begins, so one more try with another number is safe. -noreset: without it the server
# resets whenever its last client leaves, and a program connecting at that moment is refused.
for attempt in 1 2 3; do
  status=0
  display=$((200 + RANDOM % 700))
  [ -e "/tmp/.X$display-lock" ] && continue
  timeout -k 10 "${E2E_ROAD_TIMEOUT:-170}" \
    xvfb-run -n "$display" -e "$work/xvfb.err" -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    dbus-run-session -- "$0" --session "$road" 2>"$work/session.err" || status=$?
  if [ "$status" -ne 0 ] && grep -q "Xvfb failed to start" "$work/session.err"; then
    echo "(the virtual X server did not start on :$display, attempt $attempt)"
    continue
  fi
  break
done
if [ "$status" -eq 124 ]; then
  echo "FAILED road $road: it did not finish within ${E2E_ROAD_TIMEOUT:-170}s"
fi
if [ "$status" -eq 0 ] && [ -z "${E2E_KEEP:-}" ]; then
  rm -rf "$work"
else
  echo "work folder kept: $work (session messages in $work/session.err)"
fi
exit "$status"
