#include "SegmentChain.h"

#include <algorithm>
#include <cmath>

namespace oddb_detail {

namespace {

struct Plane {
  OdGeVector3d x, y, z;
  double elevation;
  OdGePoint3d toWorld(double px, double py) const { return OdGePoint3d::kOrigin + x * px + y * py + z * elevation; }
};

Plane MakePlane(const OdGeVector3d& normal, double elevation) {
  Plane plane;
  plane.z = normal.isZeroLength() ? OdGeVector3d::kZAxis : normal.normal();
  plane.x = plane.z.perpVector();
  plane.y = plane.z.crossProduct(plane.x);
  plane.elevation = elevation;
  return plane;
}

constexpr double kPi = 3.14159265358979323846;

}  // namespace

OdGePoint3d SegmentChain::Segment::at(double t) const {
  if (!arc) return start + (end - start) * t;
  if (t <= 0.0) return start;
  if (t >= 1.0) return end;
  const double a = startAngle + sweep * t;
  return center + xAxis * (radius * std::cos(a)) + yAxis * (radius * std::sin(a));
}

SegmentChain SegmentChain::fromBulged(const std::vector<BulgedVertex>& vertices, bool closed, double elevation,
                                      const OdGeVector3d& normal) {
  SegmentChain chain;
  if (vertices.empty()) return chain;
  const Plane plane = MakePlane(normal, elevation);
  chain.m_empty = false;
  chain.m_first = plane.toWorld(vertices[0].point.x, vertices[0].point.y);
  const std::size_t count = vertices.size();
  const std::size_t segments = count < 2 ? 0 : (closed ? count : count - 1);
  double total = 0.0;
  for (std::size_t i = 0; i < segments; ++i) {
    const BulgedVertex& a = vertices[i];
    const BulgedVertex& b = vertices[(i + 1) % count];
    Segment s;
    s.start = plane.toWorld(a.point.x, a.point.y);
    s.end = plane.toWorld(b.point.x, b.point.y);
    const double dx = b.point.x - a.point.x, dy = b.point.y - a.point.y;
    const double chord = std::hypot(dx, dy);
    const double bulge = std::isfinite(a.bulge) ? a.bulge : 0.0;
    if (chord > 0.0 && std::fabs(bulge) > 1e-12) {
      // Included angle 4 atan(b); the centre lies left of the chord for b > 0.
      const double sweep = 4.0 * std::atan(bulge);
      const double offset = (1.0 - bulge * bulge) / (4.0 * bulge);
      const double cx = (a.point.x + b.point.x) * 0.5 - dy * offset;
      const double cy = (a.point.y + b.point.y) * 0.5 + dx * offset;
      s.arc = true;
      s.radius = std::hypot(a.point.x - cx, a.point.y - cy);
      s.startAngle = std::atan2(a.point.y - cy, a.point.x - cx);
      s.sweep = sweep;
      s.center = plane.toWorld(cx, cy);
      s.xAxis = plane.x;
      s.yAxis = plane.y;
      s.length = s.radius * std::fabs(sweep);
    } else {
      s.length = chord;
    }
    chain.m_cumulative.push_back(total);
    total += s.length;
    chain.m_segments.push_back(s);
  }
  chain.m_cumulative.push_back(total);
  return chain;
}

SegmentChain SegmentChain::fromPoints(const std::vector<OdGePoint3d>& points, bool closed) {
  SegmentChain chain;
  if (points.empty()) return chain;
  chain.m_empty = false;
  chain.m_first = points[0];
  const std::size_t count = points.size();
  const std::size_t segments = count < 2 ? 0 : (closed ? count : count - 1);
  double total = 0.0;
  for (std::size_t i = 0; i < segments; ++i) {
    Segment s;
    s.start = points[i];
    s.end = points[(i + 1) % count];
    s.length = s.start.distanceTo(s.end);
    chain.m_cumulative.push_back(total);
    total += s.length;
    chain.m_segments.push_back(s);
  }
  chain.m_cumulative.push_back(total);
  return chain;
}

bool SegmentChain::split(double param, std::size_t& index, double& t) const {
  const double end = endParam();
  if (!std::isfinite(param) || param < -EndTolerance(end) || param > end + EndTolerance(end)) return false;
  if (m_segments.empty()) {
    index = 0;
    t = 0.0;
    return true;
  }
  param = std::clamp(param, 0.0, end);
  index = std::min(static_cast<std::size_t>(param), m_segments.size() - 1);
  t = std::clamp(param - static_cast<double>(index), 0.0, 1.0);
  return true;
}

OdResult SegmentChain::distAtParam(double param, double& dist) const {
  if (m_empty) return eDegenerateGeometry;
  std::size_t i;
  double t;
  if (!split(param, i, t)) return eInvalidInput;
  dist = m_segments.empty() ? 0.0 : m_cumulative[i] + m_segments[i].length * t;
  return eOk;
}

OdResult SegmentChain::paramAtDist(double dist, double& param) const {
  if (m_empty) return eDegenerateGeometry;
  const double total = length();
  if (!std::isfinite(dist) || dist < -EndTolerance(total) || dist > total + EndTolerance(total)) return eInvalidInput;
  if (m_segments.empty()) {
    param = 0.0;
    return eOk;
  }
  dist = std::clamp(dist, 0.0, total);
  // The segment whose range holds dist; on a shared end, the later one, so
  // that zero-length segments are passed over.
  auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end() - 1, dist);
  std::size_t i = static_cast<std::size_t>(it - m_cumulative.begin());
  i = i == 0 ? 0 : i - 1;
  i = std::min(i, m_segments.size() - 1);
  const double len = m_segments[i].length;
  const double t = len > 0.0 ? std::clamp((dist - m_cumulative[i]) / len, 0.0, 1.0) : 0.0;
  param = static_cast<double>(i) + t;
  return eOk;
}

OdResult SegmentChain::pointAtParam(double param, OdGePoint3d& point) const {
  if (m_empty) return eDegenerateGeometry;
  std::size_t i;
  double t;
  if (!split(param, i, t)) return eInvalidInput;
  point = m_segments.empty() ? m_first : m_segments[i].at(t);
  return eOk;
}

void SegmentChain::tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const {
  if (m_empty) return;
  points.push_back(m_first);
  for (const Segment& s : m_segments) {
    if (s.arc) {
      const double tol = std::max(chordTolerance, s.radius * 1e-6);
      const double step = tol >= s.radius ? kPi / 2 : 2.0 * std::acos(1.0 - tol / s.radius);
      const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(s.sweep) / std::max(step, 1e-3))), 2, 1024);
      for (int k = 1; k < n; ++k) points.push_back(s.at(static_cast<double>(k) / n));
    }
    points.push_back(s.end);
  }
}

}  // namespace oddb_detail
