#pragma once

#include "sdk/OdDbEntity.h"

// A straight segment. Its parameter is the distance from the start point.
class ODSDK_EXPORT OdDbLine : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDbLine);

 public:
  static OdSmartPtr<OdDbLine> createObject();
  OdGePoint3d startPoint() const { return m_start; }
  OdGePoint3d endPoint() const { return m_end; }
  void setStartPoint(const OdGePoint3d& p);
  void setEndPoint(const OdGePoint3d& p);

  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbLine() = default;

 private:
  OdGePoint3d m_start, m_end;
};
using OdDbLinePtr = OdSmartPtr<OdDbLine>;
