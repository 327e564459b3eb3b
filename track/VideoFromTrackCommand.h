// The video-from-trajectory command: a camera flight along a picked curve of
// the drawing, rendered frame by frame into an AVI file.
#pragma once

#include <cstdint>
#include <string>

class CameraPath;
class OdGsView;
struct VideoRecordingParams;

// VIDEO_FROM_TRACK.
void VideoFromTrack();

// What a flight gave: the frames written, and whether it failed (a curve,
// snapshot, scaling or writing failure; a cancel is no failure) and why.
struct TrackRecording {
  std::uint32_t frameCount = 0;
  bool failed = false;
  std::u16string failureReason;
};

// Renders view's device along path into the AVI file of params, one frame
// per camera scaled to the frame size of params, with the host's progress
// bar; its Cancel ends the flight with the frames so far. Frames are written
// on a thread of their own while the next one renders.
// Whatever ends it, the progress bar is closed and the file completed before
// it returns. The view keeps the last frame's camera.
TrackRecording RecordTrackFrames(OdGsView& view, CameraPath& path, const VideoRecordingParams& params);

// Lets the host's windows repaint and answer input between frames. A request
// to close a window or to quit is put back on the queue and waits until the
// command has ended.
void PumpTrackMessages();
