#!/usr/bin/env bash
# Plants plausible faults in the module, one at a time, rebuilds the test
# programs that can see each one, runs them and lists the tests that failed;
# the source is put back after every fault. A fault no test catches is a gap.
#   tools/plant-faults.sh [NAME-REGEX]    only the faults whose name matches
# Prints one line per fault: "caught by N: tests" or "MISSED".
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The test programs that link each area, and the host for those that drive it.
HOST="pchost PC_hostVideoRecorder"
DIALOGS="test_codec_list test_dialogs"
SHOTS="test_screenshot_math test_screenshot_units test_screenshot_grab test_screenshot_grab_screens"
TRACK="test_track_path test_video_from_track $HOST"
SUMMARY="test_track_path test_video_from_track test_live_recording $HOST"
MODULE="test_module_object test_help_topics test_command_registration $HOST"
# The layers under the module, with the module's tests that stand on them.
SDK="sdk_curve_test sdk_renderer_test sdk_drawing_view_test"
RECORDING="test_frame_clock test_capture_thread test_live_recording $HOST"
AVI="test_avi_gdi test_avi_vfw test_avi_writer test_planar_convert"

# name | file | perl substitution over the whole file | test programs
FAULTS=(
  "summary megabytes in millions|base/RecordingSummary.cpp|s{1\.0f / 1048576\.0f}{1.0f / 1000000.0f}|$SUMMARY"
  "summary minutes not reduced by hours|base/RecordingSummary.cpp|s{\(seconds % 3600\) / 60}{seconds / 60}|$SUMMARY"
  "camera step twice as long|track/CameraPath.cpp|s{stepSpeed \* \(0\.5 /}{stepSpeed * (1.0 /}|$TRACK"
  "last frame looks ahead past the end|track/CameraPath.cpp|s{if \(m_dist \+ m_step > m_length\)}{if (m_dist > m_length)}|$TRACK"
  "frame rates up to and not including the key-frame rate|dialogs/CodecList.cpp|s{entry\.defaultKeyFrameRate < rate\)}{entry.defaultKeyFrameRate <= rate)}|$DIALOGS"
  "codec positions not advanced|dialogs/CodecList.cpp|s{position\+\+\)}{position)}|$DIALOGS"
  "one decimal place too many|dialogs/NumericEdit.cpp|s{separator - 1 >= static_cast}{separator - 1 > static_cast}|$DIALOGS"
  "digits typed in front of the sign|dialogs/NumericEdit.cpp|s{if \(start == 0 && caretOnly && text\[0\] == g_negativeSign\) return Refuse\(\);}{}|$DIALOGS"
  "an odd client width kept|dialogs/VideoRecordingParams.cpp|s{frameFormat\.biWidth = width;}{frameFormat.biWidth = width + 1;}|$DIALOGS"
  "month counted from zero|screenshots/ScreenshotNaming.cpp|s{local\.tm_mon \+ 1}{local.tm_mon}|$SHOTS"
  "profile backslashes kept|screenshots/ScreenshotNaming.cpp|s{folder\.replace\(u'\\\\\\\\', u'/'\);}{}|$SHOTS"
  "bottom views swapped|screenshots/FourViewScreenshot.cpp|s{views\[3\]\);}{views[9]);}; s{views\[2\]\);}{views[3]);}; s{views\[9\]\);}{views[2]);}|$SHOTS"
  "grab rectangle's top edge from its bottom|screenshots/GrabDocumentWindow.cpp|s{const int top = std::min\(rect\.top, rect\.bottom\)}{const int top = std::max(rect.top, rect.bottom)}|$SHOTS"
  "four-view field without margin|screenshots/FourViewCameras.cpp|s{kFieldMargin = 1\.4}{kFieldMargin = 1.0}|$SHOTS"
  "help topic not lower-cased|module/hostVideoRecoderModule.cpp|s{topic\.makeLower\(\);}{}|$MODULE"
  "time text without its units|resources/StringTable.cpp|s{%d:%d:%d h:m:s}{%d:%d:%d}|$SUMMARY"
  "curve parameter ignores the segment's start|sdk/src/db/SegmentChain.cpp|s{std::clamp\(\(dist - m_cumulative\[i\]\) / len}{std::clamp(dist / len}|$SDK"
  "spline span one knot late|sdk/src/db/Nurbs.cpp|s{span = span == 0 \? 0 : span - 1;}{span = span == 0 ? 0 : span;}|$SDK"
  "viewport lookup finds erased records|sdk/src/db/OdDbViewportTable.cpp|s{id\.openObject\(OdDb::kForRead, getErasedRecord\)}{id.openObject(OdDb::kForRead, true)}|$SDK"
  "polyline elevation read from group 39|sdk/src/dxf/DxfScan.cpp|s{g\.real\(38, 0\.0\)}{g.real(39, 0.0)}|$SDK"
  "snapshot sides swapped|sdk/src/gs/OdGsDevice.cpp|s{static_cast<int>\(width\), static_cast<int>\(height\), m_background, frame\);\n  image = }{static_cast<int>(height), static_cast<int>(width), m_background, frame);\n  image = }|$SDK"
  "wide printf %s read as narrow|platform/win32/src/WidePrintf.cpp|s{size != Size::kShort : size == Size::kLong}{size == Size::kLong : size == Size::kLong}|test_win32_kernel"
  "module names compared with case|platform/win32/src/Modules.cpp|s{if \(c >= 'A' && c <= 'Z'\) c = static_cast<char>\(c - 'A' \+ 'a'\);}{}|test_win32_kernel"
  "first frame one interval after the delay|recording/FrameClock.cpp|s{m_lastFrameTime = m_startTime - m_interval;}{m_lastFrameTime = m_startTime;}|$RECORDING"
  "a frame due only once its interval has passed|recording/FrameClock.cpp|s{current - m_lastFrameTime >= m_interval}{current - m_lastFrameTime > m_interval}|$RECORDING"
  "pause not heeded by the clock|recording/FrameClock.cpp|s{if \(!m_listener->m_pause\.load\(\)\) \{}{if (true) \{}|$RECORDING"
  "suspension not heeded by the clock|recording/FrameClock.cpp|s{if \(!m_listener->isSuspended\(\)\) \{}{if (true) \{}|$RECORDING"
  "queued frames written last first|movie/FramePipeline.cpp|s{frame = m_queued\.front\(\);\n      m_queued\.pop_front\(\);}{frame = m_queued.back();\n      m_queued.pop_back();}|$RECORDING"
  "written frames not counted|recording/parallelThreadData.cpp|s{\+\+m_framesWritten;}{}|$RECORDING"
  "uncompressed chunks keep their 00dc name|platform/vfw/src/file/AviFile.cpp|s{id\[3\] == ffmpeg::kVideoChunkType\[1\] && ::pwrite}{id[3] == 'x' \&\& ::pwrite}|$AVI"
  "video range for Motion JPEG|platform/vfw/src/stream/AviStream.cpp|s{fullRange = context->pix_fmt == AV_PIX_FMT_YUVJ420P}{fullRange = context->pix_fmt != AV_PIX_FMT_YUVJ420P}|test_avi_writer"
  "green's share of Cr mistyped|platform/vfw/src/stream/PlanarConvertKernels.h|s{Fix\(-0\.418688\)}{Fix(-0.318688)}|test_planar_convert test_avi_writer"
  "PLY ushort read in the host's byte order|host/src/clouds/PlyReader.cpp|s{return Load<std::uint16_t>\(p, swap\);}{return Load<std::uint16_t>(p, false);}|cloud_reader_test"
  "uncompressed frames indexed without the key-frame flag|platform/vfw/src/file/AviHeader.cpp|s{std::memcpy\(&entries\[at\], plain, 4\);}{std::memcpy(&entries[at], plain, 4);\n      entries[at + 4] = 0;}|$AVI"
  "OpenDML super index keeps the 00dc name|platform/vfw/src/file/AviHeader.cpp|s{ok = ok && Write\(m_fd, data \+ kIndexChunkId, plain, 4\) && ReadLe32}{ok = ok && ReadLe32}|test_avi_opendml"
  "chroma of a 2x2 block from its upper row only|platform/vfw/src/stream/PlanarConvertKernels.h|s{const std::uint8_t\* b = lower \+}{const std::uint8_t* b = upper +}|test_planar_convert test_avi_writer"
  "combo box sort style ignored|platform/mfc/src/Wnd.cpp|s{\(style & CBS_SORT\) != 0 \?}{false ?}|test_mfc $DIALOGS"
)

cd "$PCVR_ROOT"
pcvr_start_x
trap pcvr_stop_x EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
caught=0
planted=0
for fault in "${FAULTS[@]}"; do
  IFS='|' read -r name file substitution targets <<<"$fault"
  [[ -n "${1:-}" && ! "$name" =~ $1 ]] && continue
  planted=$((planted + 1))
  cp "$file" "$file.unfaulted"
  perl -0pi -e "$substitution" "$file"
  if cmp -s "$file" "$file.unfaulted"; then
    echo "NOT PLANTED (pattern gone): $name"
    mv "$file.unfaulted" "$file"
    touch "$file"
    continue
  fi
  # shellcheck disable=SC2086
  if ! ninja -C "$PCVR_BUILD" $targets >"$PCVR_BUILD/plant-faults.log" 2>&1; then
    echo "caught by the build: $name"
    caught=$((caught + 1))
  else
    failed=""
    for target in $targets; do
      [[ "$target" == test_* || "$target" == sdk_* || "$target" == *_test ]] || continue
      failed+=$("$PCVR_BUILD/bin/$target" --gtest_brief=1 2>&1 | grep -oE '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+' |
                cut -c14- | sort -u | tr '\n' ' ')
    done
    if [[ -n "$failed" ]]; then
      echo "caught by $(wc -w <<<"$failed"): $name: $failed"
      caught=$((caught + 1))
    else
      echo "MISSED: $name"
    fi
  fi
  mv "$file.unfaulted" "$file"
  touch "$file"  # newer than the objects built with the fault, so they are built again
done
echo "caught $caught of $planted"
