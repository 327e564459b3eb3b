#include "sdk/OdGe.h"

#include <algorithm>
#include <utility>

OdGeTol OdGeContext::gTol(1e-10, 1e-10);

const OdGeVector3d OdGeVector3d::kIdentity(0, 0, 0);
const OdGeVector3d OdGeVector3d::kXAxis(1, 0, 0);
const OdGeVector3d OdGeVector3d::kYAxis(0, 1, 0);
const OdGeVector3d OdGeVector3d::kZAxis(0, 0, 1);
const OdGePoint3d OdGePoint3d::kOrigin(0, 0, 0);
const OdGeMatrix3d OdGeMatrix3d::kIdentity;
const OdGeExtents3d OdGeExtents3d::kInvalid;

OdGeVector3d& OdGeVector3d::normalize(const OdGeTol& tol) {
  OdGe::ErrorCondition flag;
  return normalize(tol, flag);
}

OdGeVector3d& OdGeVector3d::normalize(const OdGeTol& tol, OdGe::ErrorCondition& flag) {
  const double len = length();
  if (!(len > tol.equalVector())) {
    flag = OdGe::k0This;
    return *this;
  }
  flag = OdGe::kOk;
  x /= len;
  y /= len;
  z /= len;
  return *this;
}

OdGeVector3d OdGeVector3d::perpVector() const {
  // The arbitrary-axis rule of the drawing format: cross with world Y when the
  // vector is near world Z, else with world Z.
  const OdGeVector3d n = normal();
  const OdGeVector3d base = (std::fabs(n.x) < 1.0 / 64 && std::fabs(n.y) < 1.0 / 64) ? kYAxis : kZAxis;
  return base.crossProduct(n).normal();
}

OdGeMatrix3d& OdGeMatrix3d::setToIdentity() {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) entry[r][c] = r == c ? 1.0 : 0.0;
  return *this;
}

namespace {
// Columns are the axes, the last column the origin.
OdGeMatrix3d FrameMatrix(const OdGePoint3d& o, const OdGeVector3d& x, const OdGeVector3d& y, const OdGeVector3d& z) {
  OdGeMatrix3d m;
  const double cols[4][3] = {{x.x, x.y, x.z}, {y.x, y.y, y.z}, {z.x, z.y, z.z}, {o.x, o.y, o.z}};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 3; ++r) m.entry[r][c] = cols[c][r];
  return m;
}
}  // namespace

OdGeMatrix3d& OdGeMatrix3d::setToAlignCoordSys(const OdGePoint3d& fromOrigin, const OdGeVector3d& fromXAxis,
                                               const OdGeVector3d& fromYAxis, const OdGeVector3d& fromZAxis,
                                               const OdGePoint3d& toOrigin, const OdGeVector3d& toXAxis,
                                               const OdGeVector3d& toYAxis, const OdGeVector3d& toZAxis) {
  // M = To * From^-1. A singular "from" frame leaves From^-1 as From itself,
  // so the result stays defined (and singular), never NaN.
  OdGeMatrix3d from = FrameMatrix(fromOrigin, fromXAxis, fromYAxis, fromZAxis);
  from.invert();
  *this = FrameMatrix(toOrigin, toXAxis, toYAxis, toZAxis) * from;
  return *this;
}

OdGeMatrix3d OdGeMatrix3d::alignCoordSys(const OdGePoint3d& fromOrigin, const OdGeVector3d& fromXAxis,
                                         const OdGeVector3d& fromYAxis, const OdGeVector3d& fromZAxis,
                                         const OdGePoint3d& toOrigin, const OdGeVector3d& toXAxis,
                                         const OdGeVector3d& toYAxis, const OdGeVector3d& toZAxis) {
  OdGeMatrix3d m;
  m.setToAlignCoordSys(fromOrigin, fromXAxis, fromYAxis, fromZAxis, toOrigin, toXAxis, toYAxis, toZAxis);
  return m;
}

bool OdGeMatrix3d::invert(double tol) {
  // Gauss-Jordan with partial pivoting on [M | I].
  double a[4][8];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 8; ++c) a[r][c] = c < 4 ? entry[r][c] : (c - 4 == r ? 1.0 : 0.0);
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (!(std::fabs(a[pivot][col]) > tol)) return false;
    if (pivot != col) std::swap(a[pivot], a[col]);
    const double inv = 1.0 / a[col][col];
    for (int c = 0; c < 8; ++c) a[col][c] *= inv;
    for (int r = 0; r < 4; ++r) {
      if (r == col || a[r][col] == 0.0) continue;
      const double f = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) entry[r][c] = a[r][c + 4];
  return true;
}

OdGeMatrix3d OdGeMatrix3d::inverse() const {
  OdGeMatrix3d m(*this);
  m.invert();
  return m;
}

bool OdGeMatrix3d::isSingular(double tol) const {
  OdGeMatrix3d m(*this);
  return !m.invert(tol);
}

double OdGeMatrix3d::det() const {
  double a[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) a[r][c] = entry[r][c];
  double d = 1.0;
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (a[pivot][col] == 0.0) return 0.0;
    if (pivot != col) {
      std::swap(a[pivot], a[col]);
      d = -d;
    }
    d *= a[col][col];
    for (int r = col + 1; r < 4; ++r) {
      const double f = a[r][col] / a[col][col];
      for (int c = col; c < 4; ++c) a[r][c] -= f * a[col][c];
    }
  }
  return d;
}

OdGePoint3d OdGeMatrix3d::operator*(const OdGePoint3d& p) const {
  const auto& e = entry;
  OdGePoint3d r(e[0][0] * p.x + e[0][1] * p.y + e[0][2] * p.z + e[0][3],
                e[1][0] * p.x + e[1][1] * p.y + e[1][2] * p.z + e[1][3],
                e[2][0] * p.x + e[2][1] * p.y + e[2][2] * p.z + e[2][3]);
  const double w = e[3][0] * p.x + e[3][1] * p.y + e[3][2] * p.z + e[3][3];
  if (w != 1.0 && w != 0.0) {
    r.x /= w;
    r.y /= w;
    r.z /= w;
  }
  return r;
}

OdGeVector3d OdGeMatrix3d::operator*(const OdGeVector3d& v) const {
  const auto& e = entry;
  return {e[0][0] * v.x + e[0][1] * v.y + e[0][2] * v.z, e[1][0] * v.x + e[1][1] * v.y + e[1][2] * v.z,
          e[2][0] * v.x + e[2][1] * v.y + e[2][2] * v.z};
}

OdGeMatrix3d OdGeMatrix3d::operator*(const OdGeMatrix3d& m) const {
  OdGeMatrix3d r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k) s += entry[i][k] * m.entry[k][j];
      r.entry[i][j] = s;
    }
  return r;
}

bool OdGeMatrix3d::isEqualTo(const OdGeMatrix3d& m, double tol) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (std::fabs(entry[i][j] - m.entry[i][j]) > tol) return false;
  return true;
}

OdGeExtents3d& OdGeExtents3d::addPoint(const OdGePoint3d& p) {
  m_min.x = std::min(m_min.x, p.x);
  m_min.y = std::min(m_min.y, p.y);
  m_min.z = std::min(m_min.z, p.z);
  m_max.x = std::max(m_max.x, p.x);
  m_max.y = std::max(m_max.y, p.y);
  m_max.z = std::max(m_max.z, p.z);
  return *this;
}

OdGeExtents3d& OdGeExtents3d::addExt(const OdGeExtents3d& e) {
  if (!e.isValidExtents()) return *this;
  addPoint(e.minPoint());
  return addPoint(e.maxPoint());
}
