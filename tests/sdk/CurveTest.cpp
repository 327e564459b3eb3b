// Length, parameter at distance and point at parameter of the curves a
// flight can follow (2D and lightweight polylines, splines), against closed
// forms. Lines, arcs, circles and 3D polylines are never picked as a
// trajectory, so only the DXF reader's tests read them.
#include <gtest/gtest.h>

#include <cmath>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(const OdDbCurve& curve) {
  double end = 0, len = -1;
  EXPECT_EQ(curve.getEndParam(end), eOk);
  EXPECT_EQ(curve.getDistAtParam(end, len), eOk);
  return len;
}

void ExpectPoint(const OdGePoint3d& p, double x, double y, double z, double tol = 1e-9) {
  EXPECT_NEAR(p.x, x, tol);
  EXPECT_NEAR(p.y, y, tol);
  EXPECT_NEAR(p.z, z, tol);
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
    OdGePoint3d p;
    EXPECT_EQ(curve.getPointAtParam(param, p), eOk);
  }
  double param = 0;
  EXPECT_EQ(curve.getParamAtDist(len * 1.001 + 1e-6, param), eInvalidInput);
  EXPECT_EQ(curve.getParamAtDist(-0.01 * len, param), eInvalidInput);
  EXPECT_EQ(curve.getParamAtDist(std::nan(""), param), eInvalidInput);
  double end = 0;
  curve.getEndParam(end);
  OdGePoint3d p;
  EXPECT_EQ(curve.getPointAtParam(end + 1.0, p), eInvalidInput);
}

}  // namespace

TEST(Curve, StraightLightweightPolylineOfLengthOne) {
  auto pl = OdDbPolyline::createObject();
  pl->addVertexAt(0, OdGePoint2d(0, 0));
  pl->addVertexAt(1, OdGePoint2d(0.25, 0));
  pl->addVertexAt(2, OdGePoint2d(1, 0));
  pl->setElevation(2.5);
  EXPECT_NEAR(Length(*pl), 1.0, 1e-15);
  double param = 0;
  ASSERT_EQ(pl->getParamAtDist(0.625, param), eOk);
  EXPECT_NEAR(param, 1.5, 1e-12);  // halfway along the second segment
  OdGePoint3d p;
  ASSERT_EQ(pl->getPointAtParam(param, p), eOk);
  ExpectPoint(p, 0.625, 0, 2.5);
  // The summed frame distances of a 30 fps, speed 1.5 flight stay on it.
  double dist = 0;
  for (int k = 0; k < 39; ++k) dist += 0.025;
  ASSERT_EQ(pl->getParamAtDist(dist, param), eOk);
  ASSERT_EQ(pl->getPointAtParam(param, p), eOk);
  EXPECT_NEAR(p.x, 0.975, 1e-12);
  ExpectConsistent(*pl);
  EXPECT_EQ(pl->getParamAtDist(1.025, param), eInvalidInput);
}

TEST(Curve, BulgedSegmentIsASemicircleAndClosingSegmentCounts) {
  auto pl = OdDbPolyline::createObject();
  pl->addVertexAt(0, OdGePoint2d(0, 0), 1.0);  // semicircle counter-clockwise to (2, 0)
  pl->addVertexAt(1, OdGePoint2d(2, 0));
  EXPECT_NEAR(Length(*pl), kPi, 1e-12);
  OdGePoint3d p;
  ASSERT_EQ(pl->getPointAtParam(0.5, p), eOk);
  ExpectPoint(p, 1, -1, 0);  // counter-clockwise from (0,0) about (1,0) passes below
  pl->setClosed(true);
  EXPECT_NEAR(Length(*pl), kPi + 2.0, 1e-12);
  double end = 0;
  pl->getEndParam(end);
  EXPECT_EQ(end, 2.0);
  ExpectConsistent(*pl);

  // A quarter-circle bulge, tan(pi/8), and a negative bulge turning the other way.
  auto q = OdDbPolyline::createObject();
  q->addVertexAt(0, OdGePoint2d(1, 0), std::tan(kPi / 8));
  q->addVertexAt(1, OdGePoint2d(0, 1), -std::tan(kPi / 8));
  q->addVertexAt(2, OdGePoint2d(-1, 2));
  EXPECT_NEAR(Length(*q), kPi, 1e-12);
  ASSERT_EQ(q->getPointAtParam(0.5, p), eOk);
  ExpectPoint(p, std::sqrt(0.5), std::sqrt(0.5), 0);
  ASSERT_EQ(q->getPointAtParam(1.5, p), eOk);
  ExpectPoint(p, -std::sqrt(0.5), 2 - std::sqrt(0.5), 0);  // clockwise about (0, 2)
}

TEST(Curve, LightweightPolylineWithNormalMapsToItsPlane) {
  auto pl = OdDbPolyline::createObject();
  pl->addVertexAt(0, OdGePoint2d(0, 0));
  pl->addVertexAt(1, OdGePoint2d(1, 0));
  pl->setElevation(3.0);
  pl->setNormal(OdGeVector3d(0, 0, -1));  // mirrored plane: X becomes -X, elevation -Z
  OdGePoint3d p;
  ASSERT_EQ(pl->getPointAtParam(1.0, p), eOk);
  ExpectPoint(p, -1, 0, -3);
}

TEST(Curve, TwoDPolylineMatchesLightweightPolyline) {
  auto p2 = OdDb2dPolyline::createObject();
  p2->appendVertex(OdGePoint3d(0, 0, 0), 1.0);
  p2->appendVertex(OdGePoint3d(2, 0, 0));
  p2->appendVertex(OdGePoint3d(2, 5, 0));
  p2->setElevation(1.0);
  EXPECT_NEAR(Length(*p2), kPi + 5.0, 1e-12);
  OdGePoint3d p;
  ASSERT_EQ(p2->getPointAtParam(2.0, p), eOk);
  ExpectPoint(p, 2, 5, 1);
  ExpectConsistent(*p2);
}

TEST(Curve, RationalSplineQuarterCircle) {
  auto spline = OdDbSpline::createObject();
  const double w = std::sqrt(0.5);
  ASSERT_EQ(spline->setNurbsData(2, {{3, 0, 0}, {3, 3, 0}, {0, 3, 0}}, {0, 0, 0, 1, 1, 1}, {1, w, 1}), eOk);
  EXPECT_TRUE(spline->isRational());
  EXPECT_NEAR(Length(*spline), 3 * kPi / 2, 1e-12);
  // Every point lies on the circle of radius 3, and the middle of the arc by
  // length is at 45 degrees.
  double param = 0;
  ASSERT_EQ(spline->getParamAtDist(3 * kPi / 4, param), eOk);
  OdGePoint3d p;
  ASSERT_EQ(spline->getPointAtParam(param, p), eOk);
  ExpectPoint(p, 3 * w, 3 * w, 0, 1e-9);
  for (int i = 0; i <= 10; ++i) {
    ASSERT_EQ(spline->getPointAtParam(i / 10.0, p), eOk);
    EXPECT_NEAR(std::hypot(p.x, p.y), 3.0, 1e-12);
  }
  ExpectConsistent(*spline);
}

TEST(Curve, SplineDataIsChecked) {
  auto spline = OdDbSpline::createObject();
  const std::vector<OdGePoint3d> pts = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
  EXPECT_EQ(spline->setNurbsData(2, pts, {0, 0, 0, 1, 1}), eInvalidInput);        // too few knots
  EXPECT_EQ(spline->setNurbsData(2, pts, {0, 0, 1, 0, 1, 1}), eInvalidInput);     // decreasing
  EXPECT_EQ(spline->setNurbsData(2, pts, {0, 0, 0, 0, 0, 0}), eInvalidInput);     // empty domain
  EXPECT_EQ(spline->setNurbsData(3, pts, {0, 0, 0, 0, 1, 1, 1}), eInvalidInput);  // degree too high
  EXPECT_EQ(spline->setNurbsData(2, pts, {0, 0, 0, 1, 1, 1}, {1, 0, 1}), eInvalidInput);
  EXPECT_EQ(spline->setFitData({{1, 1, 1}, {1, 1, 1}}), eInvalidInput);
  double end = 0;
  EXPECT_EQ(spline->getEndParam(end), eDegenerateGeometry);  // nothing was set
  EXPECT_EQ(spline->setNurbsData(2, pts, {0, 0, 0, 1, 1, 1}), eOk);
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
    ExpectPoint(p, fit[k].x, fit[k].y, fit[k].z, 1e-9);
  }
  ExpectConsistent(*spline);

  // Points on a straight line give the straight line: length is exact.
  auto straight = OdDbSpline::createObject();
  ASSERT_EQ(straight->setFitData({{0, 0, 0}, {1, 1, 1}, {3, 3, 3}, {4, 4, 4}}), eOk);
  EXPECT_NEAR(Length(*straight), 4 * std::sqrt(3.0), 1e-12);
  double param = 0;
  ASSERT_EQ(straight->getParamAtDist(std::sqrt(3.0) * 2, param), eOk);
  OdGePoint3d p;
  ASSERT_EQ(straight->getPointAtParam(param, p), eOk);
  ExpectPoint(p, 2, 2, 2);

  // Two points give a line of degree 1.
  auto two = OdDbSpline::createObject();
  ASSERT_EQ(two->setFitData({{0, 0, 0}, {0, 2, 0}}), eOk);
  EXPECT_EQ(two->degree(), 1);
  EXPECT_NEAR(Length(*two), 2.0, 1e-14);
}

TEST(Curve, CubicSplineWithInteriorKnotsAndCusp) {
  // A clamped cubic with two interior knots, and a degree-2 curve whose
  // middle control points coincide (speed zero in the middle).
  auto spline = OdDbSpline::createObject();
  ASSERT_EQ(spline->setNurbsData(3, {{0, 0, 0}, {1, 2, 0}, {2, -1, 1}, {4, 3, 0}, {5, 0, 0}, {7, 1, 2}},
                                 {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}),
            eOk);
  ExpectConsistent(*spline);
  auto cusp = OdDbSpline::createObject();
  ASSERT_EQ(cusp->setNurbsData(2, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 0, 0, 0.5, 1, 1, 1}), eOk);
  EXPECT_NEAR(Length(*cusp), 2.0, 1e-9);
  ExpectConsistent(*cusp);
}
