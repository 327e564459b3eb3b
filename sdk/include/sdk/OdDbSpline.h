#pragma once

#include <memory>
#include <vector>

#include "sdk/OdDbEntity.h"

namespace oddb_detail {
class Nurbs;
}

// A NURBS curve, given by control points, weights and knots, or made to pass
// through fit points (a cubic, or lower when there are too few points, with
// chord-length parameters: the parameter of fit point k is the sum of the
// chords up to it). The parameter is the NURBS parameter, from the knot at
// index degree to the knot at index numControlPoints.
class ODSDK_EXPORT OdDbSpline : public OdDbCurve {
  ODRX_DECLARE_MEMBERS(OdDbSpline);

 public:
  static OdSmartPtr<OdDbSpline> createObject();
  ~OdDbSpline() override;

  // weights empty means all 1. Returns eInvalidInput, leaving the spline as
  // it was, unless: 1 <= degree <= 11, at least degree + 1 control points,
  // knots.size() == controlPoints.size() + degree + 1, knots non-decreasing
  // with a domain of positive length, weights positive, everything finite.
  OdResult setNurbsData(int degree, const std::vector<OdGePoint3d>& controlPoints, const std::vector<double>& knots,
                        const std::vector<double>& weights = {});
  // Makes the spline pass through the points (repeated neighbours count
  // once). eInvalidInput for fewer than two distinct points or non-finite ones.
  OdResult setFitData(const std::vector<OdGePoint3d>& fitPoints, int degree = 3);

  int degree() const;
  bool isRational() const;
  int numControlPoints() const;
  int numFitPoints() const { return static_cast<int>(m_fitPoints.size()); }
  OdGePoint3d controlPointAt(int index) const;
  OdGePoint3d fitPointAt(int index) const { return m_fitPoints.at(static_cast<std::size_t>(index)); }
  // The parameter at which the curve passes through fit point index.
  double fitParamAt(int index) const { return m_fitParams.at(static_cast<std::size_t>(index)); }
  bool hasFitData() const { return !m_fitPoints.empty(); }

  bool isClosed() const override;
  OdResult getStartParam(double& param) const override;
  OdResult getEndParam(double& param) const override;
  OdResult getDistAtParam(double param, double& dist) const override;
  OdResult getParamAtDist(double dist, double& param) const override;
  OdResult getPointAtParam(double param, OdGePoint3d& point) const override;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbSpline();

 private:
  std::unique_ptr<oddb_detail::Nurbs> m_nurbs;
  std::vector<OdGePoint3d> m_fitPoints;
  std::vector<double> m_fitParams;
};
using OdDbSplinePtr = OdSmartPtr<OdDbSpline>;
