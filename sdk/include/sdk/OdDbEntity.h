// Drawable objects of the model space, and curves.
#pragma once

#include <vector>

#include "sdk/OdDbObject.h"
#include "sdk/OdGe.h"
#include "sdk/OdGiDrawSink.h"

class ODSDK_EXPORT OdDbEntity : public OdDbObject {
  ODRX_DECLARE_MEMBERS(OdDbEntity);

 public:
  OdDb::Visibility visibility() const { return m_visibility; }
  void setVisibility(OdDb::Visibility visibility);
  // The true colour the entity is drawn in, 0x00RRGGBB.
  OdGiRgb color() const { return m_color; }
  void setColor(OdGiRgb color);
  // Draws the entity in world coordinates. chordTolerance is the largest
  // distance, in drawing units, between a curve and the lines that stand for it.
  virtual void worldDraw(OdGiDrawSink& sink, double chordTolerance) const;
  // The entity's bounding box; empty when it has no geometry.
  virtual OdGeExtents3d geomExtents() const;
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbEntity() = default;

 private:
  OdDb::Visibility m_visibility = OdDb::kVisible;
  OdGiRgb m_color = 0xFFFFFF;
};

// A curve with a parameter running from getStartParam() to getEndParam().
// Distances are measured along the curve from its start. Each query returns
// eOk, or eInvalidInput for a parameter or distance outside the curve (a
// distance past the end included), or eDegenerateGeometry for a curve
// without length where one is needed. For every curve kind,
// getDistAtParam(getParamAtDist(d)) == d within 1e-9 of the curve's length.
class ODSDK_EXPORT OdDbCurve : public OdDbEntity {
  ODRX_DECLARE_MEMBERS(OdDbCurve);

 public:
  virtual bool isClosed() const { return false; }
  virtual OdResult getStartParam(double& param) const;
  virtual OdResult getEndParam(double& param) const = 0;
  virtual OdResult getDistAtParam(double param, double& dist) const = 0;
  virtual OdResult getParamAtDist(double dist, double& param) const = 0;
  virtual OdResult getPointAtParam(double param, OdGePoint3d& point) const = 0;
  OdResult getStartPoint(OdGePoint3d& point) const;
  OdResult getEndPoint(OdGePoint3d& point) const;
  // Points along the curve, no farther than chordTolerance from it.
  virtual void tessellate(std::vector<OdGePoint3d>& points, double chordTolerance) const;

  void worldDraw(OdGiDrawSink& sink, double chordTolerance) const override;
  OdGeExtents3d geomExtents() const override;

 protected:
  OdDbCurve() = default;
};

using OdDbEntityPtr = OdSmartPtr<OdDbEntity>;
using OdDbCurvePtr = OdSmartPtr<OdDbCurve>;
