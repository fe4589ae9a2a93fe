#!/usr/bin/env bash
# Installs what is missing, builds Veltane and runs the saver full screen on the running display (Wayland
# where $WAYLAND_DISPLAY names a compositor, X11 on $DISPLAY otherwise). Without a display it
# runs the saver for a few seconds in a virtual X server and saves a screenshot in the current folder.
set -euo pipefail
here="$(pwd)"
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target veltane
saver="$(pwd)/build/release/app/veltane"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Any key, mouse button or mouse movement ends the saver."
  exec "$saver" s
fi

xvfb=""
saver_pid=""
stop() {
  for pid in $saver_pid $xvfb; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT

# Xvfb picks a free display itself and writes its number on the descriptor it is given.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
number="$(tr -dc '0-9' <"$display_file")"
rm -f "$display_file"
if [ -z "$number" ]; then
  echo "The virtual X server did not start." >&2
  exit 1
fi
export DISPLAY=":$number"

"$saver" s &
saver_pid=$!
sleep 4
screenshot="$here/veltane-screenshot.png"
import -window root "$screenshot"
echo "Saved a screenshot of the running saver: $screenshot"
