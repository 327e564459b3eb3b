#include "sdk/OdDbEntity.h"

#include <cmath>

ODRX_DEFINE_MEMBERS(OdDbEntity, OdDbObject)
ODRX_DEFINE_MEMBERS(OdDbCurve, OdDbEntity)

void OdDbEntity::setVisibility(OdDb::Visibility visibility) {
  m_visibility = visibility;
  modified();
}

void OdDbEntity::setColor(OdGiRgb color) {
  m_color = color & 0xFFFFFFu;
  modified();
}

void OdDbEntity::worldDraw(OdGiDrawSink&, double) const {}

OdGeExtents3d OdDbEntity::geomExtents() const { return {}; }

void OdDbEntity::copyFrom(const OdRxObject* source) {
  OdDbObject::copyFrom(source);
  const auto* other = static_cast<const OdDbEntity*>(source);
  m_visibility = other->m_visibility;
  m_color = other->m_color;
  modified();
}

OdResult OdDbCurve::getStartParam(double& param) const {
  param = 0.0;
  return eOk;
}

OdResult OdDbCurve::getStartPoint(OdGePoint3d& point) const {
  double param;
  const OdResult result = getStartParam(param);
  return result != eOk ? result : getPointAtParam(param, point);
}

OdResult OdDbCurve::getEndPoint(OdGePoint3d& point) const {
  double param;
  const OdResult result = getEndParam(param);
  return result != eOk ? result : getPointAtParam(param, point);
}

void OdDbCurve::tessellate(std::vector<OdGePoint3d>& points, double) const {
  double a, b;
  if (getStartParam(a) != eOk || getEndParam(b) != eOk) return;
  constexpr int kSamples = 64;
  for (int i = 0; i <= kSamples; ++i) {
    OdGePoint3d p;
    if (getPointAtParam(a + (b - a) * i / kSamples, p) == eOk) points.push_back(p);
  }
}

void OdDbCurve::worldDraw(OdGiDrawSink& sink, double chordTolerance) const {
  std::vector<OdGePoint3d> points;
  tessellate(points, chordTolerance);
  if (!points.empty()) sink.polyline(points.data(), points.size(), color());
}

OdGeExtents3d OdDbCurve::geomExtents() const {
  // The tessellation at a tight tolerance: close enough for fitting a view.
  std::vector<OdGePoint3d> points;
  tessellate(points, 1e-3);
  OdGeExtents3d extents;
  for (const auto& p : points) extents.addPoint(p);
  return extents;
}
