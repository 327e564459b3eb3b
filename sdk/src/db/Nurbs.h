// A NURBS curve with an arc-length table: evaluation, first derivative, and
// distance along the curve by Gauss-Legendre quadrature.
#pragma once

#include <vector>

#include "sdk/OdGe.h"
#include "sdk/OdResult.h"

namespace oddb_detail {

class Nurbs {
 public:
  // Checks the data (see OdDbSpline::setNurbsData) and builds the curve;
  // eInvalidInput leaves out unchanged.
  static OdResult create(int degree, const std::vector<OdGePoint3d>& controlPoints, const std::vector<double>& knots,
                         const std::vector<double>& weights, Nurbs& out);
  // The curve of the given degree through the points, at chord-length
  // parameters (returned in params).
  static OdResult interpolate(const std::vector<OdGePoint3d>& points, int degree, Nurbs& out,
                              std::vector<double>& params);

  int degree() const { return m_degree; }
  bool rational() const { return m_rational; }
  int numControlPoints() const { return static_cast<int>(m_points.size()); }
  OdGePoint3d controlPoint(int i) const { return m_points[static_cast<std::size_t>(i)]; }
  double startParam() const { return m_knots[static_cast<std::size_t>(m_degree)]; }
  double endParam() const { return m_knots[m_points.size()]; }
  double length() const { return m_cumulative.back(); }

  OdGePoint3d point(double u) const;
  OdGeVector3d derivative(double u) const;
  OdResult distAtParam(double u, double& dist) const;
  OdResult paramAtDist(double dist, double& u) const;
  void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const;

 private:
  std::size_t findSpan(double u) const;
  // Values and first derivatives of the p + 1 basis functions nonzero on span.
  void basis(std::size_t span, double u, double* values, double* ders) const;
  void evaluate(double u, OdGePoint3d* point, OdGeVector3d* derivative) const;
  double speedIntegral(double a, double b) const;
  void buildLengthTable();

  int m_degree = 1;
  bool m_rational = false;
  std::vector<OdGePoint3d> m_points;
  std::vector<double> m_weights;
  std::vector<double> m_knots;
  std::vector<double> m_breaks;      // parameters splitting the domain for the length table
  std::vector<double> m_cumulative;  // length from the start to each break
};

}  // namespace oddb_detail
