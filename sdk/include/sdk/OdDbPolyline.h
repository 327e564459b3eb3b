#pragma once

#include <memory>

#include "sdk/OdDbEntity.h"

namespace oddb_detail {
class SegmentChain;
}

// A lightweight polyline: 2D vertices with bulges in the plane at
// elevation() along normal(). Segment i runs from vertex i to vertex i + 1
// (to vertex 0 for the closing segment); a bulge b makes it an arc of
// included angle 4 atan(b), counter-clockwise for b > 0. The parameter is
// i + t on segment i, t in [0, 1] proportional to the distance along it.
class ODSDK_EXPORT OdDbPolyline : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDbPolyline);

 public:
  static OdSmartPtr<OdDbPolyline> createObject();
  ~OdDbPolyline() override;

  unsigned numVerts() const;
  // Inserts a vertex before index (index >= numVerts() appends).
  void addVertexAt(unsigned index, const OdGePoint2d& point, double bulge = 0.0);
  OdResult getPointAt(unsigned index, OdGePoint2d& point) const;
  double getBulgeAt(unsigned index) const;
  double elevation() const { return m_elevation; }
  void setElevation(double elevation);
  OdGeVector3d normal() const { return m_normal; }
  void setNormal(const OdGeVector3d& normal);
  void setClosed(bool closed);

  bool isClosed() const override { return m_closed; }
  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbPolyline();

 private:
  const oddb_detail::SegmentChain& chain() const;
  struct Vertex {
    OdGePoint2d point;
    double bulge;
  };
  std::vector<Vertex> m_vertices;
  double m_elevation = 0.0;
  OdGeVector3d m_normal = OdGeVector3d::kZAxis;
  bool m_closed = false;
  mutable std::unique_ptr<oddb_detail::SegmentChain> m_chain;
};
using OdDbPolylinePtr = OdSmartPtr<OdDbPolyline>;
