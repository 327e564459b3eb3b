// The host's point-cloud library: the point-cloud entity of the drawing
// (hostDbPointCloudInsertion), its per-viewport display settings and the
// XPC functions modules call. Main thread only, like the database.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/HostApi.h"
#include "host/PointCloudReader.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbEntity.h"
#include "sdk/OdGe.h"

class hostDbPointCloudInsertion;
using hostDbPointCloudInsertionPtr = OdSmartPtr<hostDbPointCloudInsertion>;

namespace XPC {

// Kinds of data a cloud may carry, as bits for InsertionPointCloudInfo::isDataValid.
enum DataKind : OdUInt32 {
  kPositionData = 0x0001,
  kColorData = 0x0002,
  kNormalData = 0x1000,
};

// Colouring by the cloud's own colours (the default). Points of a cloud
// without colours are drawn in the entity's colour.
struct HOST_EXPORT ColoringByOwnColors {};

// Colouring by the points' normals. component 0 maps a normal (x, y, z) to
// red, green and blue as 255 * (c + 1) / 2 each; 1, 2 or 3 draws a grey
// ramp of the x, y or z component alone. With absolute true, |c| takes the
// place of (c + 1) / 2. Points without a known normal (zero) are drawn
// mid-grey. Needs normal data; without it the cloud keeps its own colours.
struct HOST_EXPORT ColoringByNormals {
  OdUInt32 component = 0;
  bool absolute = false;
  friend bool operator==(const ColoringByNormals&, const ColoringByNormals&) = default;
};

// What a viewport shows of one cloud.
struct HOST_EXPORT VisualizationParams {
  enum Coloring { kOwnColors, kByNormals };
  OdUInt16 pointSize = 1;  // pixels across (1..64 are drawn)
  Coloring coloring = kOwnColors;
  ColoringByNormals normals;
  friend bool operator==(const VisualizationParams&, const VisualizationParams&) = default;
};

// What is known of a cloud: its extents and which data it carries. A
// snapshot: later changes of the cloud (normals computed) are not seen.
class HOST_EXPORT InsertionPointCloudInfo : public OdRxObject {
  ODRX_DECLARE_MEMBERS(InsertionPointCloudInfo);

 public:
  static OdSmartPtr<InsertionPointCloudInfo> createObject(std::shared_ptr<const host::PointCloudData> data);
  // The box of the points in world coordinates (empty for no points).
  OdGeExtents3d getExtents() const { return m_extents; }
  // True when every kind of data in the bit set dataKinds (DataKind values)
  // is present for every point. 0 asks nothing and is true.
  bool isDataValid(OdUInt32 dataKinds) const;
  std::size_t pointCount() const { return m_data ? m_data->size() : 0; }

 protected:
  InsertionPointCloudInfo() = default;

 private:
  std::shared_ptr<const host::PointCloudData> m_data;
  OdGeExtents3d m_extents;
};
using InsertionPointCloudInfoPtr = OdSmartPtr<InsertionPointCloudInfo>;

// A cloud's display settings for one viewport, held apart from the cloud
// until setVisualizationParamsSetToViewport writes them back.
class HOST_EXPORT VisualizationParamsWrapper : public OdRxObject {
  ODRX_DECLARE_MEMBERS(VisualizationParamsWrapper);

 public:
  static OdSmartPtr<VisualizationParamsWrapper> createObject(hostDbPointCloudInsertion* cloud,
                                                             const VisualizationParams& params);
  // 0 is taken as 1.
  void setPointSize(OdUInt16 size) { m_params.pointSize = size == 0 ? 1 : size; }
  OdUInt16 pointSize() const { return m_params.pointSize; }
  void setColoringParams(const ColoringByNormals& coloring);
  void setColoringParams(const ColoringByOwnColors& coloring);
  const VisualizationParams& params() const { return m_params; }
  // The information of the cloud these settings are for (null when the
  // settings belong to no cloud).
  OdSmartPtr<InsertionPointCloudInfo> getCloudInfo() const;

 protected:
  VisualizationParamsWrapper() = default;

 private:
  OdSmartPtr<hostDbPointCloudInsertion> m_cloud;
  VisualizationParams m_params;
};
using VisualizationParamsWrapperPtr = OdSmartPtr<VisualizationParamsWrapper>;

// The number of viewports of the drawing's active configuration (the
// viewport records named "*Active" that are not erased). False, with count
// unchanged, without a database or viewport table.
HOST_EXPORT bool getCountViewports(OdDbDatabase* database, int& count);

// Lets the user pick one point cloud of document (null: the current
// document) with the prompt "Select point cloud". True and id set when
// exactly one cloud was picked; otherwise false and id left null.
HOST_EXPORT bool PointCloudSingleSelect(OdDbObjectId& id, HostDocument* document);

// The rectangle in the XY plane that holds the eight corners of extents
// after transform by matrix: rect.first the lower left, rect.second the
// upper right corner. False, with rect unchanged, for empty extents.
HOST_EXPORT bool computeBoundingRectangle(const OdGeExtents3d& extents, const OdGeMatrix3d& matrix,
                                          std::pair<OdGePoint2d, OdGePoint2d>& rect);

}  // namespace XPC

namespace HostGeUtils {
// Sets inverse to the inverse of matrix and returns true; returns false and
// leaves inverse untouched when matrix is singular.
HOST_EXPORT bool invertMatrix(const OdGeMatrix3d& matrix, OdGeMatrix3d& inverse);
}  // namespace HostGeUtils

// A point cloud placed in the drawing's model space. Its points are shared,
// immutable data; what a viewport shows of it (point size, colouring) is
// kept per viewport record, by the record's handle. Drawn for the drawing's
// active viewport.
class HOST_EXPORT hostDbPointCloudInsertion : public OdDbEntity {
  ODRX_DECLARE_MEMBERS(hostDbPointCloudInsertion);

 public:
  static hostDbPointCloudInsertionPtr createObject();

  void setPoints(std::shared_ptr<const host::PointCloudData> data);
  std::shared_ptr<const host::PointCloudData> points() const { return m_data; }
  std::size_t pointCount() const { return m_data ? m_data->size() : 0; }
  // The name the cloud is known by (its file's name).
  const std::u16string& name() const { return m_name; }
  void setName(std::u16string name) { m_name = std::move(name); }

  XPC::InsertionPointCloudInfoPtr getCloudInfo() const;
  // A parameter set with the default settings, for this cloud.
  XPC::VisualizationParamsWrapperPtr createVisualizationParamsSet();
  // The settings of the viewport record with that handle (the defaults when
  // it has none of its own).
  XPC::VisualizationParamsWrapperPtr createVisualizationParamsSetFrom(const OdDbHandle& viewport);
  // Makes params the settings of that viewport record; the views draw the
  // cloud again. False for a null set.
  bool setVisualizationParamsSetToViewport(const XPC::VisualizationParamsWrapper* params, const OdDbHandle& viewport);
  XPC::VisualizationParams paramsOf(const OdDbHandle& viewport) const;

  // The colour a normal maps to under coloring (0x00RRGGBB).
  static OdGiRgb normalColor(float nx, float ny, float nz, const XPC::ColoringByNormals& coloring);

  void worldDraw(OdGiDrawSink& sink, double chordTolerance) const override;
  OdGeExtents3d geomExtents() const override;
  void copyFrom(const OdRxObject* source) override;

 protected:
  hostDbPointCloudInsertion() = default;

 private:
  std::shared_ptr<const host::PointCloudData> m_data;
  OdGeExtents3d m_extents;
  std::u16string m_name;
  std::map<OdUInt64, XPC::VisualizationParams> m_viewportParams;
  // Colours by normals, made when first drawn that way.
  mutable std::vector<OdGiRgb> m_normalColors;
  mutable XPC::ColoringByNormals m_normalColorsFor;
  mutable bool m_normalColorsValid = false;
};

namespace host {
class Document;
// Adds a cloud read from data to the model space of document's drawing,
// under name. Returns its id (null when the document has no drawing).
HOST_EXPORT OdDbObjectId AttachPointCloud(Document& document, std::shared_ptr<const PointCloudData> data,
                                          std::u16string name);
class Console;
// What pchost does with the point-cloud files named on its command line
// (after the drawing is open): each is read and attached to the document's
// drawing, or refused with one message; every outcome is reported on
// console. A drawing that showed nothing before is zoomed to show the clouds.
// Returns how many of the files were not opened.
HOST_EXPORT int OpenPointCloudFiles(Document& document, const std::vector<std::string>& files, Console& console);
}  // namespace host
