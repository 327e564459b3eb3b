// Lines, arcs, circles, the three polyline kinds and splines.
#include <algorithm>
#include <cmath>

#include "Nurbs.h"
#include "SegmentChain.h"
#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"

using oddb_detail::BulgedVertex;
using oddb_detail::EndTolerance;
using oddb_detail::Nurbs;
using oddb_detail::SegmentChain;

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

struct PlaneAxes {
  OdGeVector3d x, y;
};

PlaneAxes AxesOf(const OdGeVector3d& normal) {
  const OdGeVector3d z = normal.isZeroLength() ? OdGeVector3d::kZAxis : normal.normal();
  const OdGeVector3d x = z.perpVector();
  return {x, z.crossProduct(x)};
}

// Points of a circular arc from angle a0 over sweep, at most chordTolerance
// from the arc.
void ArcPoints(const OdGePoint3d& center, const PlaneAxes& axes, double radius, double a0, double sweep,
               double chordTolerance, std::vector<OdGePoint3d>& points) {
  const double tol = std::max(chordTolerance, radius * 1e-6);
  const double step = tol >= radius ? kTwoPi / 4 : 2.0 * std::acos(1.0 - tol / radius);
  const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / std::max(step, 1e-3))), 4, 2048);
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + sweep * i / n;
    points.push_back(center + axes.x * (radius * std::cos(a)) + axes.y * (radius * std::sin(a)));
  }
}

bool FinitePositive(double r) { return std::isfinite(r) && r > 0.0; }

}  // namespace

ODRX_DEFINE_MEMBERS(OdDbLine, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDbCircle, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDbArc, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDbPolyline, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDb2dPolyline, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDb3dPolyline, OdDbCurve)
ODRX_DEFINE_MEMBERS(OdDbSpline, OdDbCurve)

// ---- line ---------------------------------------------------------------------

OdSmartPtr<OdDbLine> OdDbLine::createObject() { return odrxCreateLoaded<OdDbLine>(); }
void OdDbLine::setStartPoint(const OdGePoint3d& p) {
  m_start = p;
  modified();
}
void OdDbLine::setEndPoint(const OdGePoint3d& p) {
  m_end = p;
  modified();
}

OdResult OdDbLine::getEndParam(double& param) const {
  param = m_start.distanceTo(m_end);
  return eOk;
}

OdResult OdDbLine::getDistAtParam(double param, double& dist) const {
  const double len = m_start.distanceTo(m_end);
  if (!std::isfinite(param) || param < -EndTolerance(len) || param > len + EndTolerance(len)) return eInvalidInput;
  dist = std::clamp(param, 0.0, len);
  return eOk;
}

OdResult OdDbLine::getParamAtDist(double dist, double& param) const { return getDistAtParam(dist, param); }

OdResult OdDbLine::getPointAtParam(double param, OdGePoint3d& point) const {
  double d;
  if (const OdResult r = getDistAtParam(param, d); r != eOk) return r;
  const double len = m_start.distanceTo(m_end);
  point = len > 0.0 ? m_start + (m_end - m_start) * (d / len) : m_start;
  return eOk;
}

void OdDbLine::tessellate(std::vector<OdGePoint3d>& points, double) const {
  points.push_back(m_start);
  points.push_back(m_end);
}

void OdDbLine::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDbLine*>(source);
  m_start = other->m_start;
  m_end = other->m_end;
}

// ---- circle -------------------------------------------------------------------

OdSmartPtr<OdDbCircle> OdDbCircle::createObject() { return odrxCreateLoaded<OdDbCircle>(); }
void OdDbCircle::setCenter(const OdGePoint3d& c) {
  m_center = c;
  modified();
}
void OdDbCircle::setNormal(const OdGeVector3d& n) {
  m_normal = n;
  modified();
}

OdResult OdDbCircle::setRadius(double r) {
  if (!FinitePositive(r)) return eInvalidInput;
  m_radius = r;
  modified();
  return eOk;
}

OdResult OdDbCircle::getEndParam(double& param) const {
  param = kTwoPi;
  return eOk;
}

OdResult OdDbCircle::getDistAtParam(double param, double& dist) const {
  if (!std::isfinite(param) || param < -EndTolerance(kTwoPi) || param > kTwoPi + EndTolerance(kTwoPi))
    return eInvalidInput;
  dist = m_radius * std::clamp(param, 0.0, kTwoPi);
  return eOk;
}

OdResult OdDbCircle::getParamAtDist(double dist, double& param) const {
  const double len = m_radius * kTwoPi;
  if (!std::isfinite(dist) || dist < -EndTolerance(len) || dist > len + EndTolerance(len)) return eInvalidInput;
  param = std::clamp(dist / m_radius, 0.0, kTwoPi);
  return eOk;
}

OdResult OdDbCircle::getPointAtParam(double param, OdGePoint3d& point) const {
  if (!std::isfinite(param) || param < -EndTolerance(kTwoPi) || param > kTwoPi + EndTolerance(kTwoPi))
    return eInvalidInput;
  const PlaneAxes axes = AxesOf(m_normal);
  point = m_center + axes.x * (m_radius * std::cos(param)) + axes.y * (m_radius * std::sin(param));
  return eOk;
}

void OdDbCircle::tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const {
  ArcPoints(m_center, AxesOf(m_normal), m_radius, 0.0, kTwoPi, chordTolerance, points);
}

void OdDbCircle::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDbCircle*>(source);
  m_center = other->m_center;
  m_radius = other->m_radius;
  m_normal = other->m_normal;
}

// ---- arc ----------------------------------------------------------------------

OdSmartPtr<OdDbArc> OdDbArc::createObject() { return odrxCreateLoaded<OdDbArc>(); }
void OdDbArc::setCenter(const OdGePoint3d& c) {
  m_center = c;
  modified();
}
void OdDbArc::setNormal(const OdGeVector3d& n) {
  m_normal = n;
  modified();
}
void OdDbArc::setStartAngle(double a) {
  m_start = std::isfinite(a) ? a : 0.0;
  modified();
}
void OdDbArc::setEndAngle(double a) {
  m_end = std::isfinite(a) ? a : 0.0;
  modified();
}

OdResult OdDbArc::setRadius(double r) {
  if (!FinitePositive(r)) return eInvalidInput;
  m_radius = r;
  modified();
  return eOk;
}

double OdDbArc::sweep() const {
  double s = std::fmod(m_end - m_start, kTwoPi);
  if (s <= 0.0) s += kTwoPi;
  return s;
}

OdResult OdDbArc::getStartParam(double& param) const {
  param = m_start;
  return eOk;
}

OdResult OdDbArc::getEndParam(double& param) const {
  param = m_start + sweep();
  return eOk;
}

OdResult OdDbArc::getDistAtParam(double param, double& dist) const {
  const double s = sweep();
  const double t = param - m_start;
  if (!std::isfinite(param) || t < -EndTolerance(s) || t > s + EndTolerance(s)) return eInvalidInput;
  dist = m_radius * std::clamp(t, 0.0, s);
  return eOk;
}

OdResult OdDbArc::getParamAtDist(double dist, double& param) const {
  const double s = sweep();
  const double len = m_radius * s;
  if (!std::isfinite(dist) || dist < -EndTolerance(len) || dist > len + EndTolerance(len)) return eInvalidInput;
  param = m_start + std::clamp(dist / m_radius, 0.0, s);
  return eOk;
}

OdResult OdDbArc::getPointAtParam(double param, OdGePoint3d& point) const {
  double dist;
  if (const OdResult r = getDistAtParam(param, dist); r != eOk) return r;
  const PlaneAxes axes = AxesOf(m_normal);
  point = m_center + axes.x * (m_radius * std::cos(param)) + axes.y * (m_radius * std::sin(param));
  return eOk;
}

void OdDbArc::tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const {
  ArcPoints(m_center, AxesOf(m_normal), m_radius, m_start, sweep(), chordTolerance, points);
}

void OdDbArc::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDbArc*>(source);
  m_center = other->m_center;
  m_radius = other->m_radius;
  m_normal = other->m_normal;
  m_start = other->m_start;
  m_end = other->m_end;
}

// ---- lightweight polyline ---------------------------------------------------------

OdDbPolyline::OdDbPolyline() = default;
OdDbPolyline::~OdDbPolyline() = default;
OdSmartPtr<OdDbPolyline> OdDbPolyline::createObject() { return odrxCreateLoaded<OdDbPolyline>(); }

unsigned OdDbPolyline::numVerts() const { return static_cast<unsigned>(m_vertices.size()); }

void OdDbPolyline::addVertexAt(unsigned index, const OdGePoint2d& point, double bulge) {
  const std::size_t at = std::min<std::size_t>(index, m_vertices.size());
  m_vertices.insert(m_vertices.begin() + static_cast<long>(at), Vertex{point, bulge});
  m_chain.reset();
  modified();
}

OdResult OdDbPolyline::getPointAt(unsigned index, OdGePoint2d& point) const {
  if (index >= m_vertices.size()) return eInvalidIndex;
  point = m_vertices[index].point;
  return eOk;
}

double OdDbPolyline::getBulgeAt(unsigned index) const {
  return index < m_vertices.size() ? m_vertices[index].bulge : 0.0;
}
void OdDbPolyline::setElevation(double elevation) {
  m_elevation = elevation;
  m_chain.reset();
  modified();
}
void OdDbPolyline::setNormal(const OdGeVector3d& normal) {
  m_normal = normal;
  m_chain.reset();
  modified();
}
void OdDbPolyline::setClosed(bool closed) {
  m_closed = closed;
  m_chain.reset();
  modified();
}

const SegmentChain& OdDbPolyline::chain() const {
  if (!m_chain) {
    std::vector<BulgedVertex> vertices;
    for (const Vertex& v : m_vertices) vertices.push_back({v.point, v.bulge});
    m_chain = std::make_unique<SegmentChain>(SegmentChain::fromBulged(vertices, m_closed, m_elevation, m_normal));
  }
  return *m_chain;
}

OdResult OdDbPolyline::getEndParam(double& param) const {
  if (chain().empty()) return eDegenerateGeometry;
  param = chain().endParam();
  return eOk;
}
OdResult OdDbPolyline::getDistAtParam(double param, double& dist) const { return chain().distAtParam(param, dist); }
OdResult OdDbPolyline::getParamAtDist(double dist, double& param) const { return chain().paramAtDist(dist, param); }
OdResult OdDbPolyline::getPointAtParam(double param, OdGePoint3d& point) const {
  return chain().pointAtParam(param, point);
}
void OdDbPolyline::tessellate(std::vector<OdGePoint3d>& points, double tol) const { chain().tessellate(points, tol); }

void OdDbPolyline::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDbPolyline*>(source);
  m_vertices = other->m_vertices;
  m_elevation = other->m_elevation;
  m_normal = other->m_normal;
  m_closed = other->m_closed;
  m_chain.reset();
}

// ---- 2D polyline --------------------------------------------------------------------

OdDb2dPolyline::OdDb2dPolyline() = default;
OdDb2dPolyline::~OdDb2dPolyline() = default;
OdSmartPtr<OdDb2dPolyline> OdDb2dPolyline::createObject() { return odrxCreateLoaded<OdDb2dPolyline>(); }

void OdDb2dPolyline::appendVertex(const OdGePoint3d& point, double bulge) {
  m_vertices.push_back({point, bulge});
  m_chain.reset();
  modified();
}
OdGePoint3d OdDb2dPolyline::vertexAt(unsigned index) const { return m_vertices.at(index).point; }
double OdDb2dPolyline::bulgeAt(unsigned index) const { return m_vertices.at(index).bulge; }
void OdDb2dPolyline::setElevation(double elevation) {
  m_elevation = elevation;
  m_chain.reset();
  modified();
}
void OdDb2dPolyline::setNormal(const OdGeVector3d& normal) {
  m_normal = normal;
  m_chain.reset();
  modified();
}
void OdDb2dPolyline::makeClosed() {
  m_closed = true;
  m_chain.reset();
  modified();
}
void OdDb2dPolyline::makeOpen() {
  m_closed = false;
  m_chain.reset();
  modified();
}

const SegmentChain& OdDb2dPolyline::chain() const {
  if (!m_chain) {
    std::vector<BulgedVertex> vertices;
    for (const Vertex& v : m_vertices) vertices.push_back({OdGePoint2d(v.point.x, v.point.y), v.bulge});
    m_chain = std::make_unique<SegmentChain>(SegmentChain::fromBulged(vertices, m_closed, m_elevation, m_normal));
  }
  return *m_chain;
}

OdResult OdDb2dPolyline::getEndParam(double& param) const {
  if (chain().empty()) return eDegenerateGeometry;
  param = chain().endParam();
  return eOk;
}
OdResult OdDb2dPolyline::getDistAtParam(double param, double& dist) const { return chain().distAtParam(param, dist); }
OdResult OdDb2dPolyline::getParamAtDist(double dist, double& param) const { return chain().paramAtDist(dist, param); }
OdResult OdDb2dPolyline::getPointAtParam(double param, OdGePoint3d& point) const {
  return chain().pointAtParam(param, point);
}
void OdDb2dPolyline::tessellate(std::vector<OdGePoint3d>& points, double tol) const { chain().tessellate(points, tol); }

void OdDb2dPolyline::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDb2dPolyline*>(source);
  m_vertices = other->m_vertices;
  m_elevation = other->m_elevation;
  m_normal = other->m_normal;
  m_closed = other->m_closed;
  m_chain.reset();
}

// ---- 3D polyline ----------------------------------------------------------------------

OdDb3dPolyline::OdDb3dPolyline() = default;
OdDb3dPolyline::~OdDb3dPolyline() = default;
OdSmartPtr<OdDb3dPolyline> OdDb3dPolyline::createObject() { return odrxCreateLoaded<OdDb3dPolyline>(); }

void OdDb3dPolyline::appendVertex(const OdGePoint3d& point) {
  m_vertices.push_back(point);
  m_chain.reset();
  modified();
}
void OdDb3dPolyline::makeClosed() {
  m_closed = true;
  m_chain.reset();
  modified();
}
void OdDb3dPolyline::makeOpen() {
  m_closed = false;
  m_chain.reset();
  modified();
}

const SegmentChain& OdDb3dPolyline::chain() const {
  if (!m_chain) m_chain = std::make_unique<SegmentChain>(SegmentChain::fromPoints(m_vertices, m_closed));
  return *m_chain;
}

OdResult OdDb3dPolyline::getEndParam(double& param) const {
  if (chain().empty()) return eDegenerateGeometry;
  param = chain().endParam();
  return eOk;
}
OdResult OdDb3dPolyline::getDistAtParam(double param, double& dist) const { return chain().distAtParam(param, dist); }
OdResult OdDb3dPolyline::getParamAtDist(double dist, double& param) const { return chain().paramAtDist(dist, param); }
OdResult OdDb3dPolyline::getPointAtParam(double param, OdGePoint3d& point) const {
  return chain().pointAtParam(param, point);
}
void OdDb3dPolyline::tessellate(std::vector<OdGePoint3d>& points, double tol) const { chain().tessellate(points, tol); }

void OdDb3dPolyline::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDb3dPolyline*>(source);
  m_vertices = other->m_vertices;
  m_closed = other->m_closed;
  m_chain.reset();
}

// ---- spline ---------------------------------------------------------------------------

OdDbSpline::OdDbSpline() = default;
OdDbSpline::~OdDbSpline() = default;
OdSmartPtr<OdDbSpline> OdDbSpline::createObject() { return odrxCreateLoaded<OdDbSpline>(); }

OdResult OdDbSpline::setNurbsData(int degree, const std::vector<OdGePoint3d>& controlPoints,
                                  const std::vector<double>& knots, const std::vector<double>& weights) {
  auto curve = std::make_unique<Nurbs>();
  if (const OdResult r = Nurbs::create(degree, controlPoints, knots, weights, *curve); r != eOk) return r;
  m_nurbs = std::move(curve);
  m_fitPoints.clear();
  m_fitParams.clear();
  modified();
  return eOk;
}

OdResult OdDbSpline::setFitData(const std::vector<OdGePoint3d>& fitPoints, int degree) {
  auto curve = std::make_unique<Nurbs>();
  std::vector<double> params;
  if (const OdResult r = Nurbs::interpolate(fitPoints, degree, *curve, params); r != eOk) return r;
  m_nurbs = std::move(curve);
  // The kept fit points are the distinct ones the curve passes through.
  m_fitPoints.clear();
  for (const auto& p : fitPoints)
    if (m_fitPoints.empty() || !m_fitPoints.back().isEqualTo(p)) m_fitPoints.push_back(p);
  m_fitParams = params;
  modified();
  return eOk;
}

int OdDbSpline::degree() const { return m_nurbs ? m_nurbs->degree() : 0; }
bool OdDbSpline::isRational() const { return m_nurbs && m_nurbs->rational(); }
int OdDbSpline::numControlPoints() const { return m_nurbs ? m_nurbs->numControlPoints() : 0; }
OdGePoint3d OdDbSpline::controlPointAt(int index) const {
  return m_nurbs && index >= 0 && index < m_nurbs->numControlPoints() ? m_nurbs->controlPoint(index) : OdGePoint3d();
}

bool OdDbSpline::isClosed() const {
  if (!m_nurbs) return false;
  return m_nurbs->point(m_nurbs->startParam()).isEqualTo(m_nurbs->point(m_nurbs->endParam()));
}

OdResult OdDbSpline::getStartParam(double& param) const {
  if (!m_nurbs) return eDegenerateGeometry;
  param = m_nurbs->startParam();
  return eOk;
}

OdResult OdDbSpline::getEndParam(double& param) const {
  if (!m_nurbs) return eDegenerateGeometry;
  param = m_nurbs->endParam();
  return eOk;
}

OdResult OdDbSpline::getDistAtParam(double param, double& dist) const {
  return m_nurbs ? m_nurbs->distAtParam(param, dist) : eDegenerateGeometry;
}

OdResult OdDbSpline::getParamAtDist(double dist, double& param) const {
  return m_nurbs ? m_nurbs->paramAtDist(dist, param) : eDegenerateGeometry;
}

OdResult OdDbSpline::getPointAtParam(double param, OdGePoint3d& point) const {
  if (!m_nurbs) return eDegenerateGeometry;
  const double a = m_nurbs->startParam(), b = m_nurbs->endParam();
  const double tol = 1e-10 * std::max(1.0, b - a);
  if (!std::isfinite(param) || param < a - tol || param > b + tol) return eInvalidInput;
  point = m_nurbs->point(std::clamp(param, a, b));
  return eOk;
}

void OdDbSpline::tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const {
  if (m_nurbs) m_nurbs->tessellate(points, chordTolerance);
}

void OdDbSpline::copyFrom(const OdRxObject* source) {
  OdDbCurve::copyFrom(source);
  const auto* other = static_cast<const OdDbSpline*>(source);
  m_nurbs = other->m_nurbs ? std::make_unique<Nurbs>(*other->m_nurbs) : nullptr;
  m_fitPoints = other->m_fitPoints;
  m_fitParams = other->m_fitParams;
}
