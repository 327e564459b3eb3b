// Length, parameter at distance and point at parameter of the curves a flight
// can follow (2D and lightweight polylines, splines), against closed forms.
#include <gtest/gtest.h>

#include <cmath>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kW = std::sqrt(0.5);

double Length(const OdDbCurve& curve) {
  double end = 0, len = -1;
  EXPECT_EQ(curve.getEndParam(end), eOk);
  EXPECT_EQ(curve.getDistAtParam(end, len), eOk);
  return len;
}

// The point at a distance along the curve, as the camera path asks for it.
OdGePoint3d AtDistance(const OdDbCurve& curve, double dist) {
  double param = 0;
  OdGePoint3d p(1e9, 1e9, 1e9);
  EXPECT_EQ(curve.getParamAtDist(dist, param), eOk) << dist;
  EXPECT_EQ(curve.getPointAtParam(param, p), eOk) << param;
  return p;
}

// Distance and parameter agree along the whole curve, and past the end fails.
void ExpectConsistent(const OdDbCurve& curve) {
  const double len = Length(curve);
  ASSERT_GT(len, 0.0);
  for (int i = 0; i <= 200; ++i) {
    const double d = len * i / 200.0;
    double param = 0, back = -1;
    ASSERT_EQ(curve.getParamAtDist(d, param), eOk) << d;
    ASSERT_EQ(curve.getDistAtParam(param, back), eOk) << param;
    EXPECT_NEAR(back, d, 1e-9 * len) << "at distance " << d;
  }
  double param = 0, end = 0;
  for (double bad : {len * 1.001 + 1e-6, -0.01 * len, std::nan("")})
    EXPECT_EQ(curve.getParamAtDist(bad, param), eInvalidInput) << bad;
  curve.getEndParam(end);
  OdGePoint3d p;
  EXPECT_EQ(curve.getPointAtParam(end + 1.0, p), eInvalidInput);
}

OdDbCurvePtr Lightweight(std::initializer_list<std::pair<OdGePoint2d, double>> vertices, bool closed = false,
                         double elevation = 0, OdGeVector3d normal = OdGeVector3d(0, 0, 1)) {
  auto pl = OdDbPolyline::createObject();
  for (const auto& [point, bulge] : vertices) pl->addVertexAt(pl->numVerts(), point, bulge);
  pl->setClosed(closed);
  pl->setElevation(elevation);
  pl->setNormal(normal);
  return pl;
}

OdDbCurvePtr Spline(int degree, std::vector<OdGePoint3d> controls, std::vector<double> knots,
                    std::vector<double> weights = {}) {
  auto spline = OdDbSpline::createObject();
  EXPECT_EQ(spline->setNurbsData(degree, controls, knots, weights), eOk);
  return spline;
}

OdDbCurvePtr Fit(std::vector<OdGePoint3d> points) {
  auto spline = OdDbSpline::createObject();
  EXPECT_EQ(spline->setFitData(points), eOk);
  return spline;
}

}  // namespace

TEST(Curve, LengthAndPointsAtDistances) {
  auto p2 = OdDb2dPolyline::createObject();
  p2->appendVertex(OdGePoint3d(0, 0, 0), 1.0);
  p2->appendVertex(OdGePoint3d(2, 0, 0));
  p2->appendVertex(OdGePoint3d(2, 5, 0));
  p2->setElevation(1.0);
  const struct {
    const char* name;
    OdDbCurvePtr curve;
    double length;
    std::vector<std::pair<double, OdGePoint3d>> atDistance;
  } table[] = {
      {"straight, elevated", Lightweight({{{0, 0}, 0}, {{0.25, 0}, 0}, {{1, 0}, 0}}, false, 2.5), 1.0,
       {{0.625, {0.625, 0, 2.5}}, {0.975, {0.975, 0, 2.5}}}},
      // A semicircle counter-clockwise from (0,0) about (1,0) passes below;
      // closed, the segment back counts.
      {"semicircle bulge, closed", Lightweight({{{0, 0}, 1.0}, {{2, 0}, 0}}, true), kPi + 2.0,
       {{kPi / 2, {1, -1, 0}}, {kPi + 1, {1, 0, 0}}}},
      // A quarter-circle bulge, tan(pi/8), then a negative one turning clockwise about (0, 2).
      {"quarter bulges both ways",
       Lightweight({{{1, 0}, std::tan(kPi / 8)}, {{0, 1}, -std::tan(kPi / 8)}, {{-1, 2}, 0}}), kPi,
       {{kPi / 4, {kW, kW, 0}}, {3 * kPi / 4, {-kW, 2 - kW, 0}}}},
      // A mirrored plane: X becomes -X, elevation -Z.
      {"normal down", Lightweight({{{0, 0}, 0}, {{1, 0}, 0}}, false, 3.0, OdGeVector3d(0, 0, -1)), 1.0,
       {{1.0, {-1, 0, -3}}}},
      {"2D polyline", p2, kPi + 5.0, {{kPi + 5.0, {2, 5, 1}}}},
      // A rational quarter circle of radius 3: the middle by length is at 45 degrees.
      {"rational spline", Spline(2, {{3, 0, 0}, {3, 3, 0}, {0, 3, 0}}, {0, 0, 0, 1, 1, 1}, {1, kW, 1}), 1.5 * kPi,
       {{0.75 * kPi, {3 * kW, 3 * kW, 0}}, {0.3 * kPi, {3 * std::cos(0.1 * kPi), 3 * std::sin(0.1 * kPi), 0}}}},
      // Fit points on a straight line give the line; two give a line of degree 1.
      {"fit points in line", Fit({{0, 0, 0}, {1, 1, 1}, {3, 3, 3}, {4, 4, 4}}), 4 * std::sqrt(3.0),
       {{2 * std::sqrt(3.0), {2, 2, 2}}}},
      {"two fit points", Fit({{0, 0, 0}, {0, 2, 0}}), 2.0, {{0.5, {0, 0.5, 0}}}},
      // A degree-2 curve whose middle control points coincide: speed zero in the middle.
      {"cusp", Spline(2, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 0, 0, 0.5, 1, 1, 1}), 2.0,
       {{1.0, {1, 0, 0}}}},
      // A clamped cubic with two interior knots.
      {"cubic, interior knots",
       Spline(3, {{0, 0, 0}, {1, 2, 0}, {2, -1, 1}, {4, 3, 0}, {5, 0, 0}, {7, 1, 2}}, {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}),
       -1, {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.length <= 0 || std::abs(Length(*row.curve) - row.length) <= 1e-9) << Length(*row.curve);
    for (const auto& [dist, expected] : row.atDistance)
      EXPECT_NEAR(AtDistance(*row.curve, dist).distanceTo(expected), 0.0, 1e-9) << dist;
    ExpectConsistent(*row.curve);
  }
}

TEST(Curve, SplineThroughFitPointsPassesThroughThem) {
  auto spline = OdDbSpline::createObject();
  const std::vector<OdGePoint3d> fit = {{0, 0, 0}, {10, 5, 1}, {20, -5, 2}, {30, 0, 3}, {40, 10, 0}, {50, 0, 0}};
  ASSERT_EQ(spline->setFitData(fit), eOk);
  EXPECT_EQ(spline->degree(), 3);
  ASSERT_EQ(spline->numFitPoints(), 6);
  for (int k = 0; k < 6; ++k) {
    OdGePoint3d p;
    ASSERT_EQ(spline->getPointAtParam(spline->fitParamAt(k), p), eOk);
    EXPECT_NEAR(p.distanceTo(fit[k]), 0.0, 1e-9) << k;
  }
  ExpectConsistent(*spline);
}
