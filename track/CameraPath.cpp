#include "track/CameraPath.h"

#include <cmath>
#include <limits>

namespace {

OdResult PointAtDistance(const OdDbCurve& curve, double distance, OdGePoint3d& point) {
  double param = 0.0;
  if (const OdResult result = curve.getParamAtDist(distance, param); result != eOk) return result;
  return curve.getPointAtParam(param, point);
}

}  // namespace

CameraPath::CameraPath(const OdDbCurve& curve, double stepSpeed, int fps)
    : m_curve(curve),
      m_step(fps > 0 ? stepSpeed * (0.5 / static_cast<double>(fps)) : std::numeric_limits<double>::quiet_NaN()),
      m_lookAhead(m_step) {}

bool CameraPath::stepIsUsable() const { return std::isfinite(m_step) && m_step > 0.0; }

OdResult CameraPath::start() {
  m_started = false;
  double endParam = 0.0;
  if (const OdResult result = m_curve.getEndParam(endParam); result != eOk) return result;
  if (const OdResult result = m_curve.getDistAtParam(endParam, m_length); result != eOk) return result;
  // A flight has to end: one of more frames than a recording counts (32-bit
  // counts, in the AVI file and in the summary), or whose step is lost in the
  // rounding of the distance, would fill the disk with the same picture.
  if (!(std::ceil(m_length / m_step) <= static_cast<double>(kMostFrames)) || !(m_length + m_step > m_length))
    return eInvalidInput;
  m_dist = 0.0;
  m_lookAhead = m_step;
  m_prevDir = OdGeVector3d(0, 0, 0);
  m_started = true;
  return eOk;
}

std::int32_t CameraPath::progressSteps() const {
  const double steps = m_length / m_step;
  if (!(steps >= 0.0)) return 0;
  if (steps >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<std::int32_t>(steps);
}

OdResult CameraPath::camera(TrackCamera& camera) {
  if (const OdResult result = PointAtDistance(m_curve, m_dist, camera.eye); result != eOk) return result;
  if (m_lookAhead > 0.0) {
    if (const OdResult result = PointAtDistance(m_curve, m_dist + m_lookAhead, camera.target); result != eOk) {
      return result;
    }
  } else {
    camera.target = camera.eye + m_prevDir;
  }
  OdGeVector3d direction = camera.target - camera.eye;
  if (direction.isZeroLength()) {
    // The curve stands still here (a zero-length piece): keep looking the
    // way the previous frame looked, or along X at the very start.
    direction = m_prevDir.isZeroLength() ? OdGeVector3d(1, 0, 0) : m_prevDir;
    camera.target = camera.eye + direction;
  }
  direction.normalize();
  m_prevDir = direction;

  // The part of world Z at right angles to the direction of view. Looking
  // straight up or down it vanishes: the previous frame's up then serves.
  const double x = direction.x, y = direction.y, z = direction.z;
  OdGeVector3d up(-x * z, -y * z, x * x + y * y);
  if (up.isZeroLength()) {
    up = m_prevUp - direction * (m_prevUp.x * x + m_prevUp.y * y + m_prevUp.z * z);
    if (up.isZeroLength()) up = OdGeVector3d(0, 1, 0);
  }
  up.normalize();
  m_prevUp = up;
  camera.up = up;
  return eOk;
}

void CameraPath::advance() {
  m_dist = m_dist + m_step;
  m_lookAhead = m_step;
  if (m_dist + m_step > m_length) m_lookAhead = 0.0;
}
