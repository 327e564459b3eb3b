#pragma once

#include <memory>

#include "sdk/OdDbEntity.h"

namespace oddb_detail {
class SegmentChain;
}

// The older 2D polyline: vertices in the plane at elevation() along
// normal(), each with a bulge. Parameter and distance as for OdDbPolyline.
// Its vertices are kept inside it rather than as objects of their own.
class ODSDK_EXPORT OdDb2dPolyline : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDb2dPolyline);

 public:
  static OdSmartPtr<OdDb2dPolyline> createObject();
  ~OdDb2dPolyline() override;

  unsigned numVerts() const { return static_cast<unsigned>(m_vertices.size()); }
  // The vertex's X and Y are in the polyline's plane; its Z is ignored.
  void appendVertex(const OdGePoint3d& point, double bulge = 0.0);
  OdGePoint3d vertexAt(unsigned index) const;
  double bulgeAt(unsigned index) const;
  double elevation() const { return m_elevation; }
  void setElevation(double elevation);
  OdGeVector3d normal() const { return m_normal; }
  void setNormal(const OdGeVector3d& normal);
  void makeClosed();
  void makeOpen();

  bool isClosed() const override { return m_closed; }
  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDb2dPolyline();

 private:
  const oddb_detail::SegmentChain& chain() const;
  struct Vertex {
    OdGePoint3d point;
    double bulge;
  };
  std::vector<Vertex> m_vertices;
  double m_elevation = 0.0;
  OdGeVector3d m_normal = OdGeVector3d::kZAxis;
  bool m_closed = false;
  mutable std::unique_ptr<oddb_detail::SegmentChain> m_chain;
};
using OdDb2dPolylinePtr = OdSmartPtr<OdDb2dPolyline>;
