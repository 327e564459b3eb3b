#pragma once

#include "sdk/OdDbEntity.h"

// A circular arc, counter-clockwise about its normal from the start angle to
// the end angle. The parameter is the angle: it runs from startAngle() to
// the end angle taken above it (end + 2 pi when the end is not greater).
class ODSDK_EXPORT OdDbArc : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDbArc);

 public:
  static OdSmartPtr<OdDbArc> createObject();
  OdGePoint3d center() const { return m_center; }
  double radius() const { return m_radius; }
  OdGeVector3d normal() const { return m_normal; }
  double startAngle() const { return m_start; }
  double endAngle() const { return m_end; }
  void setCenter(const OdGePoint3d& c);
  OdResult setRadius(double r);
  void setNormal(const OdGeVector3d& n);
  void setStartAngle(double a);
  void setEndAngle(double a);

  OdResult getStartParam(double& param) const override;
  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbArc() = default;

 private:
  double sweep() const;
  OdGePoint3d m_center;
  double m_radius = 1.0;
  OdGeVector3d m_normal = OdGeVector3d::kZAxis;
  double m_start = 0.0, m_end = 0.0;
};
using OdDbArcPtr = OdSmartPtr<OdDbArc>;
