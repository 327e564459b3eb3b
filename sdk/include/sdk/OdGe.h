// Geometry values of the SDK: points, vectors, the 4x4 transform and extents.
// All plain value types, copied freely; nothing here allocates.
#pragma once

#include <cmath>

#include "sdk/OdPlatform.h"

// Tolerances for comparing points and vectors.
class ODSDK_EXPORT OdGeTol {
 public:
  OdGeTol(double t = 1e-10) : m_vector(t), m_point(t) {}
  OdGeTol(double vectorTol, double pointTol) : m_vector(vectorTol), m_point(pointTol) {}
  double equalVector() const { return m_vector; }
  double equalPoint() const { return m_point; }

 private:
  double m_vector;
  double m_point;
};

namespace OdGe {
enum ErrorCondition { kOk = 0, k0This = 1, k0Arg1 = 2, k0Arg2 = 3 };
}

struct ODSDK_EXPORT OdGeContext {
  // The default tolerance every comparison and normalisation uses unless told otherwise.
  static OdGeTol gTol;
};

class OdGeVector3d;

class ODSDK_EXPORT OdGePoint2d {
 public:
  double x = 0.0, y = 0.0;
  OdGePoint2d() = default;
  OdGePoint2d(double xx, double yy) : x(xx), y(yy) {}
  friend bool operator==(const OdGePoint2d& a, const OdGePoint2d& b) { return a.x == b.x && a.y == b.y; }
  bool isEqualTo(const OdGePoint2d& o, const OdGeTol& tol = OdGeContext::gTol) const {
    return std::hypot(x - o.x, y - o.y) <= tol.equalPoint();
  }
};

class ODSDK_EXPORT OdGeVector3d {
 public:
  double x = 0.0, y = 0.0, z = 0.0;
  OdGeVector3d() = default;
  OdGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

  static const OdGeVector3d kIdentity;  // zero vector, as the SDK names it
  static const OdGeVector3d kXAxis;
  static const OdGeVector3d kYAxis;
  static const OdGeVector3d kZAxis;

  double length() const { return std::sqrt(x * x + y * y + z * z); }
  double lengthSqrd() const { return x * x + y * y + z * z; }
  double dotProduct(const OdGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
  OdGeVector3d crossProduct(const OdGeVector3d& v) const {
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
  }
  // Makes this a unit vector. A vector not longer than tol.equalVector() is
  // left as it is (the zero vector stays zero) and flag says k0This.
  OdGeVector3d& normalize(const OdGeTol& tol = OdGeContext::gTol);
  OdGeVector3d& normalize(const OdGeTol& tol, OdGe::ErrorCondition& flag);
  OdGeVector3d normal(const OdGeTol& tol = OdGeContext::gTol) const {
    OdGeVector3d v(*this);
    return v.normalize(tol);
  }
  bool isZeroLength(const OdGeTol& tol = OdGeContext::gTol) const { return length() <= tol.equalVector(); }
  bool isEqualTo(const OdGeVector3d& v, const OdGeTol& tol = OdGeContext::gTol) const {
    return (*this - v).length() <= tol.equalVector();
  }
  // A unit vector at right angles to this one.
  OdGeVector3d perpVector() const;

  OdGeVector3d operator-() const { return {-x, -y, -z}; }
  friend OdGeVector3d operator+(const OdGeVector3d& a, const OdGeVector3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
  }
  friend OdGeVector3d operator-(const OdGeVector3d& a, const OdGeVector3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
  }
  friend OdGeVector3d operator*(const OdGeVector3d& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
  friend OdGeVector3d operator*(double s, const OdGeVector3d& a) { return a * s; }
  friend OdGeVector3d operator/(const OdGeVector3d& a, double s) { return {a.x / s, a.y / s, a.z / s}; }
  OdGeVector3d& operator+=(const OdGeVector3d& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  OdGeVector3d& operator*=(double s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  friend bool operator==(const OdGeVector3d& a, const OdGeVector3d& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
  }
};

class ODSDK_EXPORT OdGePoint3d {
 public:
  double x = 0.0, y = 0.0, z = 0.0;
  OdGePoint3d() = default;
  OdGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

  static const OdGePoint3d kOrigin;

  double distanceTo(const OdGePoint3d& p) const { return (*this - p).length(); }
  bool isEqualTo(const OdGePoint3d& p, const OdGeTol& tol = OdGeContext::gTol) const {
    return distanceTo(p) <= tol.equalPoint();
  }
  OdGeVector3d asVector() const { return {x, y, z}; }

  friend OdGeVector3d operator-(const OdGePoint3d& a, const OdGePoint3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
  }
  friend OdGePoint3d operator+(const OdGePoint3d& a, const OdGeVector3d& v) {
    return {a.x + v.x, a.y + v.y, a.z + v.z};
  }
  friend OdGePoint3d operator-(const OdGePoint3d& a, const OdGeVector3d& v) {
    return {a.x - v.x, a.y - v.y, a.z - v.z};
  }
  OdGePoint3d& operator+=(const OdGeVector3d& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  friend bool operator==(const OdGePoint3d& a, const OdGePoint3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
};

// A 4x4 affine transform acting on column vectors: p' = M * p.
class ODSDK_EXPORT OdGeMatrix3d {
 public:
  double entry[4][4];

  OdGeMatrix3d() { setToIdentity(); }
  static const OdGeMatrix3d kIdentity;

  OdGeMatrix3d& setToIdentity();
  // The transform that takes the "from" coordinate system onto the "to"
  // system: a point with coordinates (a, b, c) in "from" goes to the point
  // with the same coordinates in "to". The axes need not be unit or at right
  // angles; with a zero axis the matrix is singular.
  OdGeMatrix3d& setToAlignCoordSys(const OdGePoint3d& fromOrigin, const OdGeVector3d& fromXAxis,
                                   const OdGeVector3d& fromYAxis, const OdGeVector3d& fromZAxis,
                                   const OdGePoint3d& toOrigin, const OdGeVector3d& toXAxis,
                                   const OdGeVector3d& toYAxis, const OdGeVector3d& toZAxis);
  static OdGeMatrix3d alignCoordSys(const OdGePoint3d& fromOrigin, const OdGeVector3d& fromXAxis,
                                    const OdGeVector3d& fromYAxis, const OdGeVector3d& fromZAxis,
                                    const OdGePoint3d& toOrigin, const OdGeVector3d& toXAxis,
                                    const OdGeVector3d& toYAxis, const OdGeVector3d& toZAxis);
  // Inverts in place. Returns false, leaving the matrix unchanged, when it is
  // singular within tol.
  bool invert(double tol = 1e-12);
  // The inverse. A singular matrix comes back unchanged, as invert() leaves
  // it; callers that care test isSingular() first.
  OdGeMatrix3d inverse() const;
  bool isSingular(double tol = 1e-12) const;
  double det() const;

  OdGePoint3d operator*(const OdGePoint3d& p) const;
  OdGeVector3d operator*(const OdGeVector3d& v) const;
  OdGeMatrix3d operator*(const OdGeMatrix3d& m) const;
  bool isEqualTo(const OdGeMatrix3d& m, double tol = 1e-10) const;
};

// An axis-aligned box. The default box is empty: min (1e20, 1e20, 1e20),
// max (-1e20, -1e20, -1e20), so the first point added becomes the box.
class ODSDK_EXPORT OdGeExtents3d {
 public:
  OdGeExtents3d() : m_min(1e20, 1e20, 1e20), m_max(-1e20, -1e20, -1e20) {}
  OdGeExtents3d(const OdGePoint3d& minPoint, const OdGePoint3d& maxPoint) : m_min(minPoint), m_max(maxPoint) {}

  static const OdGeExtents3d kInvalid;

  const OdGePoint3d& minPoint() const { return m_min; }
  const OdGePoint3d& maxPoint() const { return m_max; }
  void set(const OdGePoint3d& minPoint, const OdGePoint3d& maxPoint) {
    m_min = minPoint;
    m_max = maxPoint;
  }
  bool isValidExtents() const { return m_min.x <= m_max.x && m_min.y <= m_max.y && m_min.z <= m_max.z; }
  OdGeExtents3d& addPoint(const OdGePoint3d& p);
  OdGeExtents3d& addExt(const OdGeExtents3d& e);
  OdGePoint3d center() const {
    return {(m_min.x + m_max.x) * 0.5, (m_min.y + m_max.y) * 0.5, (m_min.z + m_max.z) * 0.5};
  }

 private:
  OdGePoint3d m_min;
  OdGePoint3d m_max;
};
