#pragma once

#include <memory>

#include "sdk/OdDbEntity.h"

namespace oddb_detail {
class SegmentChain;
}

// A 3D polyline of straight segments; parameter i + t on segment i.
class ODSDK_EXPORT OdDb3dPolyline : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDb3dPolyline);

 public:
  static OdSmartPtr<OdDb3dPolyline> createObject();
  ~OdDb3dPolyline() override;

  unsigned numVerts() const { return static_cast<unsigned>(m_vertices.size()); }
  void appendVertex(const OdGePoint3d& point);
  OdGePoint3d vertexAt(unsigned index) const { return m_vertices.at(index); }
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
  OdDb3dPolyline();

 private:
  const oddb_detail::SegmentChain& chain() const;
  std::vector<OdGePoint3d> m_vertices;
  bool m_closed = false;
  mutable std::unique_ptr<oddb_detail::SegmentChain> m_chain;
};
using OdDb3dPolylinePtr = OdSmartPtr<OdDb3dPolyline>;
