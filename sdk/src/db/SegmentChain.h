// The geometry shared by the polyline kinds: a chain of straight and
// circular segments with a parameter i + t on segment i.
#pragma once

#include <vector>

#include "sdk/OdGe.h"
#include "sdk/OdResult.h"

namespace oddb_detail {

struct BulgedVertex {
  OdGePoint2d point;
  double bulge = 0.0;
};

class SegmentChain {
 public:
  // Vertices in the plane at elevation along normal (the arbitrary-axis rule).
  static SegmentChain fromBulged(const std::vector<BulgedVertex>& vertices, bool closed, double elevation,
                                 const OdGeVector3d& normal);
  static SegmentChain fromPoints(const std::vector<OdGePoint3d>& points, bool closed);

  bool empty() const { return m_empty; }
  double endParam() const { return static_cast<double>(m_segments.size()); }
  double length() const { return m_cumulative.empty() ? 0.0 : m_cumulative.back(); }
  OdResult distAtParam(double param, double& dist) const;
  OdResult paramAtDist(double dist, double& param) const;
  OdResult pointAtParam(double param, OdGePoint3d& point) const;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const;

 private:
  struct Segment {
    OdGePoint3d start, end;
    bool arc = false;
    OdGePoint3d center;
    OdGeVector3d xAxis, yAxis;  // the plane's axes, world
    double radius = 0.0, startAngle = 0.0, sweep = 0.0;
    double length = 0.0;
    OdGePoint3d at(double t) const;
  };
  // A parameter within the chain (with a little rounding allowed), split into
  // segment index and fraction; false when it lies outside.
  bool split(double param, std::size_t& index, double& t) const;

  bool m_empty = true;
  OdGePoint3d m_first;
  std::vector<Segment> m_segments;
  std::vector<double> m_cumulative;  // distance at the start of each segment, and the total last
};

// Tolerance for a distance or parameter compared with the end of a range.
inline double EndTolerance(double range) { return 1e-10 * (range > 1.0 ? range : 1.0); }

}  // namespace oddb_detail
