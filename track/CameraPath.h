// Where the camera of a video along a trajectory stands for each frame,
// where it looks and which way is up.
#pragma once

#include <cstdint>

#include "sdk/OdDbEntity.h"
#include "sdk/OdResult.h"

struct TrackCamera {
  OdGePoint3d eye;
  OdGePoint3d target;
  OdGeVector3d up;
};

// The camera advances `step` drawing units along the curve per frame, from
// the curve's start, and looks one step ahead; the last frame, whose look
// ahead would pass the end, keeps the direction of the frame before. The
// picture's vertical follows world Z.
class CameraPath {
 public:
  // step = stepSpeed x (0.5 / fps): half the step speed in drawing units per
  // second of video. The curve must outlive the path.
  CameraPath(const OdDbCurve& curve, double stepSpeed, int fps);

  // Whether the step is a usable distance (positive and finite): a step
  // speed of 0 or below, or no frame rate, would never reach the end.
  bool stepIsUsable() const;
  // The most frames a flight may have.
  static constexpr std::int32_t kMostFrames = INT32_MAX;

  // Measures the curve; a failing curve call is returned and no frame is due.
  // A flight of more than kMostFrames frames, or whose step does not move the
  // camera at the curve's length, is eInvalidInput.
  OdResult start();
  double step() const { return m_step; }
  double length() const { return m_length; }
  // The steps announced to a progress bar: length / step, truncated.
  std::int32_t progressSteps() const;
  // True while the current frame's distance is below the length.
  bool hasFrame() const { return m_started && m_dist < m_length; }
  // The current frame's camera; a failing curve call is returned.
  OdResult camera(TrackCamera& camera);
  // On to the next frame.
  void advance();
  double distance() const { return m_dist; }

 private:
  const OdDbCurve& m_curve;
  double m_step;
  double m_length = 0.0;
  double m_dist = 0.0;
  double m_lookAhead;
  OdGeVector3d m_prevDir{0, 0, 0};
  OdGeVector3d m_prevUp{0, 0, 1};
  bool m_started = false;
};
