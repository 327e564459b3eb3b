#!/usr/bin/env bash
# The demo: builds everything, installs the host with the video recorder
# module into a folder of its own, and runs it on the sample script under an
# X server of its own when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

pcvr_install_packages
pcvr_build
pcvr_start_x
trap pcvr_stop_x EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

out="$PCVR_BUILD/demo-output"
rm -rf "$out"
mkdir -p "$out/host" "$out/profile"
# An installation of the host: its program, its main library and the module
# side by side; the layers they share stay in the build folder.
cp "$PCVR_BUILD/bin/pchost" "$PCVR_BUILD/bin/libLMX_Main.so" "$PCVR_BUILD/bin/PC_hostVideoRecorder.so" "$out/host/"
# Screenshots go under the profile folder.
export USERPROFILE="$out/profile"

run() {
  echo "== $1"
  "$out/host/pchost" --script "$PCVR_ROOT/demo/$2" | tee -a "$out/pchost.log"
}

: > "$out/pchost.log"
echo "== The module registers its commands; there is no Lumatrix.ini yet, so no help topics"
run "pchost: commands and help topics" commands.script
echo
echo "== With a Lumatrix.ini beside the host library but no LmxHelpFile key"
printf '[Configuration]\nLanguage=en\n' > "$out/host/Lumatrix.ini"
run "pchost: help topics" helptopics.script
echo
echo "== With LmxHelpFile naming the help file"
printf '[Configuration]\nLmxHelpFile=PointCloudsHelp.chm\n' > "$out/host/Lumatrix.ini"
run "pchost: help topics" helptopics.script


echo
echo "== The sample scene with two point clouds: screenshots and a live recording"
samples="$PCVR_BUILD/samples"
sed "s|@OUT@|$out|g" "$PCVR_ROOT/demo/scene.script" > "$out/scene.script"
echo "== pchost: sample scene" | tee -a "$out/pchost.log"
"$out/host/pchost" "$samples/sample_scene.dxf" "$samples/sample_snowman.ply" "$samples/sample_tree.ply" \
  --script "$out/scene.script" | tee -a "$out/pchost.log"

echo
echo "== A camera flight along the spline A00 of the sample scene"
sed "s|@OUT@|$out|g" "$PCVR_ROOT/demo/flight.script" > "$out/flight.script"
echo "== pchost: video from a trajectory" | tee -a "$out/pchost.log"
"$out/host/pchost" "$samples/sample_scene.dxf" "$samples/sample_snowman.ply" "$samples/sample_tree.ply" \
  --script "$out/flight.script" | tee -a "$out/pchost.log"

if command -v ffprobe > /dev/null; then
  for video in sample-scene.avi sample-flight.avi; do
    echo "== ffprobe: what a player finds in $video"
    ffprobe -v error -count_frames -select_streams v:0 \
      -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=noprint_wrappers=1 \
      "$out/$video"
  done
fi

shots="$out/profile/Pictures/Screenshots/Orvanta"
echo
echo "The demo wrote its files to $out:"
echo "  sample-scene.avi           the live recording of the view turning round the sample scene"
echo "  sample-flight.avi          the camera flight along the spline through the city"
echo "  profile/Pictures/Screenshots/Orvanta/"
echo "                             the screenshots: $(cd "$shots" && ls *.png | tr '\n' ' ')"
echo "  host/                      the installed host and module (with Lumatrix.ini)"
echo "  pchost.log                 everything pchost printed"
