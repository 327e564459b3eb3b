#include "Nurbs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace oddb_detail {

namespace {

constexpr int kMaxDegree = 11;
constexpr int kGaussOrder = 16;
// Subintervals per knot span in the length table.
constexpr int kPiecesPerSpan = 8;

struct GaussLegendre {
  std::array<double, kGaussOrder> nodes{};
  std::array<double, kGaussOrder> weights{};
  GaussLegendre() {
    // Roots of the Legendre polynomial by Newton's method from Chebyshev guesses.
    const int n = kGaussOrder;
    for (int i = 0; i < n; ++i) {
      double x = std::cos(3.14159265358979323846 * (i + 0.75) / (n + 0.5));
      double dp = 1.0;
      for (int iter = 0; iter < 100; ++iter) {
        double p0 = 1.0, p1 = x;
        for (int k = 2; k <= n; ++k) {
          const double pk = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
          p0 = p1;
          p1 = pk;
        }
        dp = n * (x * p1 - p0) / (x * x - 1.0);
        const double dx = p1 / dp;
        x -= dx;
        if (std::fabs(dx) < 1e-16) break;
      }
      nodes[static_cast<std::size_t>(i)] = x;
      weights[static_cast<std::size_t>(i)] = 2.0 / ((1.0 - x * x) * dp * dp);
    }
  }
};

const GaussLegendre& Gauss() {
  static const GaussLegendre rule;
  return rule;
}

bool Finite(const OdGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

OdResult Nurbs::create(int degree, const std::vector<OdGePoint3d>& controlPoints, const std::vector<double>& knots,
                       const std::vector<double>& weights, Nurbs& out) {
  if (degree < 1 || degree > kMaxDegree) return eInvalidInput;
  const std::size_t n = controlPoints.size();
  if (n < static_cast<std::size_t>(degree) + 1) return eInvalidInput;
  if (knots.size() != n + static_cast<std::size_t>(degree) + 1) return eInvalidInput;
  if (!weights.empty() && weights.size() != n) return eInvalidInput;
  for (const auto& p : controlPoints)
    if (!Finite(p)) return eInvalidInput;
  for (std::size_t i = 0; i < knots.size(); ++i) {
    if (!std::isfinite(knots[i])) return eInvalidInput;
    if (i > 0 && knots[i] < knots[i - 1]) return eInvalidInput;
  }
  for (double w : weights)
    if (!(w > 0.0) || !std::isfinite(w)) return eInvalidInput;
  if (!(knots[n] > knots[static_cast<std::size_t>(degree)])) return eInvalidInput;

  Nurbs curve;
  curve.m_degree = degree;
  curve.m_points = controlPoints;
  curve.m_knots = knots;
  curve.m_weights = weights.empty() ? std::vector<double>(n, 1.0) : weights;
  curve.m_rational =
      std::any_of(curve.m_weights.begin(), curve.m_weights.end(), [&](double w) { return w != curve.m_weights[0]; });
  curve.buildLengthTable();
  if (!std::isfinite(curve.length())) return eInvalidInput;
  out = std::move(curve);
  return eOk;
}

OdResult Nurbs::interpolate(const std::vector<OdGePoint3d>& input, int degree, Nurbs& out,
                            std::vector<double>& params) {
  std::vector<OdGePoint3d> points;
  for (const auto& p : input) {
    if (!Finite(p)) return eInvalidInput;
    if (points.empty() || !points.back().isEqualTo(p)) points.push_back(p);
  }
  if (points.size() < 2 || degree < 1) return eInvalidInput;
  const std::size_t n = points.size() - 1;
  const int p = std::min<int>(std::min(degree, kMaxDegree), static_cast<int>(n));
  const std::size_t pp = static_cast<std::size_t>(p);

  std::vector<double> u(n + 1, 0.0);
  for (std::size_t k = 1; k <= n; ++k) u[k] = u[k - 1] + points[k].distanceTo(points[k - 1]);
  if (!std::isfinite(u[n]) || !(u[n] > 0.0)) return eInvalidInput;

  // Clamped knots, interior ones by averaging the parameters.
  std::vector<double> knots(n + pp + 2, 0.0);
  for (std::size_t i = 0; i <= pp; ++i) {
    knots[i] = u[0];
    knots[n + 1 + i] = u[n];
  }
  for (std::size_t j = 1; j + pp <= n; ++j) {
    double sum = 0.0;
    for (std::size_t i = j; i < j + pp; ++i) sum += u[i];
    knots[j + pp] = sum / static_cast<double>(p);
  }

  Nurbs shape;
  shape.m_degree = p;
  shape.m_knots = knots;
  shape.m_points.assign(n + 1, OdGePoint3d());
  shape.m_weights.assign(n + 1, 1.0);

  // The collocation matrix is banded (p below and p above the diagonal) and
  // totally positive, so elimination without pivoting is stable.
  const std::size_t band = 2 * pp + 1;
  std::vector<double> a((n + 1) * band, 0.0);
  auto at = [&](std::size_t r, std::size_t c) -> double& { return a[r * band + (c + pp - r)]; };
  std::vector<OdGePoint3d> rhs = points;
  double values[kMaxDegree + 1], ders[kMaxDegree + 1];
  for (std::size_t k = 0; k <= n; ++k) {
    const std::size_t span = shape.findSpan(u[k]);
    shape.basis(span, u[k], values, ders);
    for (std::size_t j = 0; j <= pp; ++j) {
      const std::size_t col = span - pp + j;
      if (col + pp < k || col > k + pp) continue;
      at(k, col) = values[j];
    }
  }
  for (std::size_t k = 0; k <= n; ++k) {
    const double pivot = at(k, k);
    if (!(std::fabs(pivot) > 1e-300)) return eInvalidInput;
    for (std::size_t r = k + 1; r <= std::min(n, k + pp); ++r) {
      const double f = at(r, k) / pivot;
      if (f == 0.0) continue;
      for (std::size_t c = k; c <= std::min(n, k + pp); ++c) at(r, c) -= f * at(k, c);
      rhs[r] = rhs[r] - rhs[k].asVector() * f;
    }
  }
  for (std::size_t k = n + 1; k-- > 0;) {
    OdGeVector3d acc = rhs[k].asVector();
    for (std::size_t c = k + 1; c <= std::min(n, k + pp); ++c) acc = acc - shape.m_points[c].asVector() * at(k, c);
    acc = acc / at(k, k);
    shape.m_points[k] = OdGePoint3d(acc.x, acc.y, acc.z);
  }
  for (const auto& q : shape.m_points)
    if (!Finite(q)) return eInvalidInput;
  shape.buildLengthTable();
  if (!std::isfinite(shape.length())) return eInvalidInput;
  out = std::move(shape);
  params = u;
  return eOk;
}

std::size_t Nurbs::findSpan(double u) const {
  const std::size_t p = static_cast<std::size_t>(m_degree);
  const std::size_t n = m_points.size() - 1;
  auto it = std::upper_bound(m_knots.begin() + static_cast<long>(p), m_knots.begin() + static_cast<long>(n + 1), u);
  std::size_t span = static_cast<std::size_t>(it - m_knots.begin());
  span = span == 0 ? 0 : span - 1;
  span = std::clamp(span, p, n);
  while (span > p && !(m_knots[span] < m_knots[span + 1])) --span;
  return span;
}

void Nurbs::basis(std::size_t span, double u, double* values, double* ders) const {
  const int p = m_degree;
  double ndu[kMaxDegree + 1][kMaxDegree + 1];
  double left[kMaxDegree + 1], right[kMaxDegree + 1];
  ndu[0][0] = 1.0;
  for (int j = 1; j <= p; ++j) {
    left[j] = u - m_knots[span + 1 - static_cast<std::size_t>(j)];
    right[j] = m_knots[span + static_cast<std::size_t>(j)] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      ndu[j][r] = right[r + 1] + left[j - r];
      const double temp = ndu[r][j - 1] / ndu[j][r];
      ndu[r][j] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    ndu[j][j] = saved;
  }
  for (int r = 0; r <= p; ++r) {
    values[r] = ndu[r][p];
    double d = 0.0;
    if (r >= 1) d += ndu[r - 1][p - 1] / ndu[p][r - 1];
    if (r <= p - 1) d -= ndu[r][p - 1] / ndu[p][r];
    ders[r] = p * d;
  }
}

void Nurbs::evaluate(double u, OdGePoint3d* point, OdGeVector3d* derivative) const {
  const std::size_t span = findSpan(u);
  double values[kMaxDegree + 1], ders[kMaxDegree + 1];
  basis(span, u, values, ders);
  OdGeVector3d a, da;
  double w = 0.0, dw = 0.0;
  for (int j = 0; j <= m_degree; ++j) {
    const std::size_t i = span - static_cast<std::size_t>(m_degree) + static_cast<std::size_t>(j);
    const OdGeVector3d pw = m_points[i].asVector() * m_weights[i];
    a += pw * values[j];
    da += pw * ders[j];
    w += m_weights[i] * values[j];
    dw += m_weights[i] * ders[j];
  }
  const OdGeVector3d c = a / w;
  if (point != nullptr) *point = OdGePoint3d(c.x, c.y, c.z);
  if (derivative != nullptr) *derivative = (da - c * dw) / w;
}

OdGePoint3d Nurbs::point(double u) const {
  OdGePoint3d p;
  evaluate(u, &p, nullptr);
  return p;
}

OdGeVector3d Nurbs::derivative(double u) const {
  OdGeVector3d d;
  evaluate(u, nullptr, &d);
  return d;
}

double Nurbs::speedIntegral(double a, double b) const {
  if (!(b > a)) return 0.0;
  const auto& g = Gauss();
  const double half = (b - a) * 0.5, mid = (a + b) * 0.5;
  double sum = 0.0;
  for (int i = 0; i < kGaussOrder; ++i)
    sum +=
        g.weights[static_cast<std::size_t>(i)] * derivative(mid + half * g.nodes[static_cast<std::size_t>(i)]).length();
  return sum * half;
}

void Nurbs::buildLengthTable() {
  m_breaks.clear();
  m_cumulative.clear();
  const std::size_t p = static_cast<std::size_t>(m_degree);
  const std::size_t n = m_points.size() - 1;
  m_breaks.push_back(m_knots[p]);
  m_cumulative.push_back(0.0);
  for (std::size_t i = p; i <= n; ++i) {
    const double a = m_knots[i], b = m_knots[i + 1];
    if (!(b > a)) continue;
    for (int k = 1; k <= kPiecesPerSpan; ++k) {
      const double lo = m_breaks.back();
      const double hi = k == kPiecesPerSpan ? b : a + (b - a) * k / kPiecesPerSpan;
      m_cumulative.push_back(m_cumulative.back() + speedIntegral(lo, hi));
      m_breaks.push_back(hi);
    }
  }
}

OdResult Nurbs::distAtParam(double u, double& dist) const {
  const double a = startParam(), b = endParam();
  const double tol = 1e-10 * std::max(1.0, b - a);
  if (!std::isfinite(u) || u < a - tol || u > b + tol) return eInvalidInput;
  u = std::clamp(u, a, b);
  auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), u);
  std::size_t k = static_cast<std::size_t>(it - m_breaks.begin());
  k = k == 0 ? 0 : k - 1;
  if (k + 1 >= m_breaks.size()) {
    dist = m_cumulative.back();
    return eOk;
  }
  dist = m_cumulative[k] + speedIntegral(m_breaks[k], u);
  return eOk;
}

OdResult Nurbs::paramAtDist(double dist, double& u) const {
  const double total = length();
  const double tol = 1e-10 * std::max(1.0, total);
  if (!std::isfinite(dist) || dist < -tol || dist > total + tol) return eInvalidInput;
  dist = std::clamp(dist, 0.0, total);
  auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), dist);
  std::size_t k = static_cast<std::size_t>(it - m_cumulative.begin());
  k = k == 0 ? 0 : k - 1;
  if (k + 1 >= m_breaks.size()) {
    u = m_breaks.back();
    return eOk;
  }
  const double lo0 = m_breaks[k], hi0 = m_breaks[k + 1];
  const double piece = m_cumulative[k + 1] - m_cumulative[k];
  const double want = dist - m_cumulative[k];
  if (!(piece > 0.0)) {
    u = lo0;
    return eOk;
  }
  // Newton on the arc length, kept inside a shrinking bracket; bisection
  // wherever a Newton step would leave it (at a cusp the speed is zero).
  double lo = lo0, hi = hi0;
  double x = lo0 + (hi0 - lo0) * (want / piece);
  const double goal = 1e-13 * std::max(1.0, total);
  for (int iter = 0; iter < 100; ++iter) {
    const double f = speedIntegral(lo0, x) - want;
    if (std::fabs(f) <= goal) break;
    if (f > 0.0) hi = x;
    else lo = x;
    const double speed = derivative(x).length();
    double next = speed > 0.0 ? x - f / speed : 0.5 * (lo + hi);
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (next == x) break;
    x = next;
  }
  u = x;
  return eOk;
}

void Nurbs::tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const {
  points.push_back(point(m_breaks.front()));
  const double tol = chordTolerance > 0.0 ? chordTolerance : 1e-3;
  for (std::size_t k = 0; k + 1 < m_breaks.size(); ++k) {
    const double a = m_breaks[k], b = m_breaks[k + 1];
    const double len = m_cumulative[k + 1] - m_cumulative[k];
    // Clamped before the conversion: a huge (or not a number) length would
    // not fit an int.
    const double steps = std::ceil(std::sqrt(len / tol));
    const int n = steps >= 64.0 ? 64 : steps > 1.0 ? static_cast<int>(steps) : 1;
    for (int i = 1; i <= n; ++i) points.push_back(point(a + (b - a) * i / n));
  }
}

}  // namespace oddb_detail
