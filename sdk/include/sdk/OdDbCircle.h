#pragma once

#include "sdk/OdDbEntity.h"

// A full circle in the plane of its normal. The parameter is the angle in
// radians from the plane's X axis (the drawing format's arbitrary-axis rule),
// from 0 to 2 pi; distance is radius times angle.
class ODSDK_EXPORT OdDbCircle : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDbCircle);

 public:
  static OdSmartPtr<OdDbCircle> createObject();
  OdGePoint3d center() const { return m_center; }
  double radius() const { return m_radius; }
  OdGeVector3d normal() const { return m_normal; }
  void setCenter(const OdGePoint3d& c);
  // A radius that is not positive and finite is refused with eInvalidInput.
  OdResult setRadius(double r);
  void setNormal(const OdGeVector3d& n);

  bool isClosed() const override { return true; }
  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbCircle() = default;
  OdGePoint3d m_center;
  double m_radius = 1.0;
  OdGeVector3d m_normal = OdGeVector3d::kZAxis;
};
using OdDbCirclePtr = OdSmartPtr<OdDbCircle>;
