#!/usr/bin/env bash
# Builds the project twice more, in folders of their own (build-asan,
# build-tsan), and runs the whole suite under AddressSanitizer with
# UndefinedBehaviorSanitizer, then the threading tests under
# ThreadSanitizer. Any report ends the test that made it and fails this
# script. Arguments go to both ctest runs (e.g. -R Codec).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The tests in which more than one thread of ours runs: capture thread, frame
# clock, live recording, video from a trajectory, message pump, module unload.
THREAD_TARGETS=(test_capture_thread test_frame_clock test_live_recording test_video_from_track
                test_track_messages test_module_object pchost PC_hostVideoRecorder sample_scene)
THREAD_TESTS='^(CaptureThread|FrameClock|PerformanceCounter|Threads|LiveRecording|VideoFromTrack|MessagePump|ModuleObject)\.'

pcvr_install_packages
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
# The sanitizers' own reports, not only a crash, fail the test.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:second_deadlock_stack=1:suppressions=$PCVR_ROOT/tests/tsan.supp"

echo "== AddressSanitizer with UndefinedBehaviorSanitizer: the whole suite"
PCVR_BUILD="$PCVR_ROOT/build-asan"
# Less optimisation and line tables only: a sanitizer build compiles and links
# in far less time, and its reports still name file and line.
SANITIZER_FLAGS=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1")
PCVR_CMAKE_ARGS=(-DPCVR_SANITIZE=address "${SANITIZER_FLAGS[@]}")
pcvr_build
(cd "$PCVR_ROOT/build-asan" && ctest --output-on-failure -j2 "$@")

echo "== ThreadSanitizer: the threading tests"
# Qt's GLX integration loads Mesa, whose locking the sanitizer misreads; the
# windows here need no OpenGL.
export QT_XCB_GL_INTEGRATION=none
PCVR_BUILD="$PCVR_ROOT/build-tsan"
PCVR_CMAKE_ARGS=(-DPCVR_SANITIZE=thread "${SANITIZER_FLAGS[@]}")
pcvr_build "${THREAD_TARGETS[@]}"
(cd "$PCVR_ROOT/build-tsan" && ctest --output-on-failure -j2 -R "$THREAD_TESTS" "$@")
