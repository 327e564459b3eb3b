// The viewport table: the tiled model-space viewports. The records of the
// active configuration all carry the name viewportActiveNameStr ("*Active");
// the first of them that is not erased is the active viewport.
#pragma once

#include "sdk/OdDbSymbolTable.h"
#include "sdk/OdGe.h"

extern ODSDK_EXPORT const OdChar* viewportActiveNameStr;

// A view's settings in the drawing format's terms: the view looks along
// -viewDirection() at target(); centerPoint() is the view's centre in the
// view plane's coordinates (relative to the target, turned by viewTwist());
// height() and width() are the visible field in drawing units (width is
// height times the viewport's aspect); lensLength() in millimetres of a
// 35 mm camera, used in perspective.
class ODSDK_EXPORT OdDbAbstractViewTableRecord : public OdDbSymbolTableRecord {
  ODRX_DECLARE_MEMBERS(OdDbAbstractViewTableRecord);

 public:
  OdGePoint2d centerPoint() const { return m_center; }
  void setCenterPoint(const OdGePoint2d& p) {
    m_center = p;
    modified();
  }
  double height() const { return m_height; }
  void setHeight(double h) {
    m_height = h;
    modified();
  }
  double width() const { return m_width; }
  void setWidth(double w) {
    m_width = w;
    modified();
  }
  OdGePoint3d target() const { return m_target; }
  void setTarget(const OdGePoint3d& p) {
    m_target = p;
    modified();
  }
  OdGeVector3d viewDirection() const { return m_direction; }
  void setViewDirection(const OdGeVector3d& v) {
    m_direction = v;
    modified();
  }
  double viewTwist() const { return m_twist; }
  void setViewTwist(double t) {
    m_twist = t;
    modified();
  }
  double lensLength() const { return m_lens; }
  void setLensLength(double l) {
    m_lens = l;
    modified();
  }
  bool isPerspectiveEnabled() const { return m_perspective; }
  void setPerspectiveEnabled(bool on) {
    m_perspective = on;
    modified();
  }
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbAbstractViewTableRecord() = default;

 private:
  OdGePoint2d m_center;
  double m_height = 10.0;
  double m_width = 10.0;
  OdGePoint3d m_target;
  OdGeVector3d m_direction = OdGeVector3d::kZAxis;
  double m_twist = 0.0;
  double m_lens = 50.0;
  bool m_perspective = false;
};

class ODSDK_EXPORT OdDbViewportTableRecord : public OdDbAbstractViewTableRecord {
  ODRX_DECLARE_MEMBERS(OdDbViewportTableRecord);

 public:
  // Throws OdError(eClassNotLoaded) when the class is not loaded.
  static OdSmartPtr<OdDbViewportTableRecord> createObject();
  // Corners in normalised window coordinates: (0, 0) lower left, (1, 1)
  // upper right of the drawing area.
  OdGePoint2d lowerLeftCorner() const { return m_lowerLeft; }
  OdGePoint2d upperRightCorner() const { return m_upperRight; }
  void setLowerLeftCorner(const OdGePoint2d& p) {
    m_lowerLeft = p;
    modified();
  }
  void setUpperRightCorner(const OdGePoint2d& p) {
    m_upperRight = p;
    modified();
  }
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbViewportTableRecord() = default;

 private:
  OdGePoint2d m_lowerLeft{0.0, 0.0};
  OdGePoint2d m_upperRight{1.0, 1.0};
};
using OdDbViewportTableRecordPtr = OdSmartPtr<OdDbViewportTableRecord>;

class ODSDK_EXPORT OdDbViewportTable : public OdDbSymbolTable {
  ODRX_DECLARE_MEMBERS(OdDbViewportTable);

 public:
  static OdSmartPtr<OdDbViewportTable> createObject();
  // The first record named viewportActiveNameStr that is not erased, or null.
  OdDbObjectId getActiveViewportId() const;

 protected:
  OdDbViewportTable() = default;
  // A tiled configuration repeats the "*Active" name once per tile.
  bool allowsRepeatedNames() const override { return true; }
};
using OdDbViewportTablePtr = OdSmartPtr<OdDbViewportTable>;
