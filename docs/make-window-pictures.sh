#!/usr/bin/env bash
# Makes the README's pictures of the pchost window: the sample scene with its
# two clouds, with the File menu open (docs/pchost-window.png), the Point
# clouds menu (docs/pchost-clouds-menu.png) and Help > Command help
# (docs/pchost-help-menu.png). Runs pchost on an
# Xvfb of its own with openbox for the title bar, opens the menus with xdotool
# and grabs the screen with ffmpeg. Needs a build (build/bin) and the Debian
# packages xvfb, openbox, xdotool and ffmpeg.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PCVR_BUILD:-$root/build}"
work="$(mktemp -d)"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

n=150
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
export DISPLAY=":$n" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
Xvfb "$DISPLAY" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.05; done
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)

# An installation of the host with a help file configured, so that the module
# registers its help topics.
cp "$build/bin/pchost" "$build/bin/libLMX_Main.so" "$build/bin/PC_hostVideoRecorder.so" "$work/"
printf '[Configuration]\nLmxHelpFile=PointCloudsHelp.chm\n' > "$work/Lumatrix.ini"

# shot NAME X,Y... : starts pchost, clicks at each point (window coordinates)
# in turn, and saves the screen around the window.
shot() {
  local name="$1"
  shift
  "$work/pchost" -style Fusion "$build/samples/sample_scene.dxf" "$build/samples/sample_snowman.ply" \
    "$build/samples/sample_tree.ply" >/dev/null 2>&1 &
  local pchost=$!
  local window
  window="$(xdotool search --sync --name 'pchost — sample_scene.dxf' | head -1)"
  # The picture shows the window with openbox's frame and title bar.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  sleep 2  # the view draws the clouds
  local point
  for point in "$@"; do
    xdotool mousemove --window "$window" "${point%,*}" "${point#*,}" click 1
    sleep 1
  done
  ffmpeg -loglevel error -y -f x11grab -video_size "$((WIDTH + 8))x$((HEIGHT + 48))" \
    -i "$DISPLAY+$((X - 4)),$((Y - 46))" -frames:v 1 "$root/docs/$name"
  kill "$pchost"
  wait "$pchost" 2>/dev/null || true
}

shot pchost-window.png 20,12
shot pchost-clouds-menu.png 170,12
shot pchost-help-menu.png 350,12 380,92
echo "docs/pchost-window.png, docs/pchost-clouds-menu.png, docs/pchost-help-menu.png"
