#include "sdk/OdDbDxfReader.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <sstream>

#include "DxfScan.h"
#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
// Files larger than this are refused rather than read into memory.
constexpr std::size_t kMaxFileSize = std::size_t{1} << 31;

struct Staged {
  OdDbEntityPtr entity;
  const oddxf::EntityInfo* info;
};

// Receives dxflib's entities, in the order of the scan's entity list, and
// builds the SDK's objects. Any bad value stops the load with a message.
class Builder : public DL_CreationAdapter {
 public:
  explicit Builder(const std::vector<oddxf::EntityInfo>& infos) : m_infos(infos) {}

  void addLine(const DL_LineData& d) override {
    const oddxf::EntityInfo* info = begin("LINE");
    if (info == nullptr) return;
    auto line = OdDbLine::createObject();
    line->setStartPoint(OdGePoint3d(d.x1, d.y1, d.z1));
    line->setEndPoint(OdGePoint3d(d.x2, d.y2, d.z2));
    stage(line.get(), info);
  }

  void addArc(const DL_ArcData& d) override {
    const oddxf::EntityInfo* info = begin("ARC");
    if (info == nullptr) return;
    auto arc = OdDbArc::createObject();
    if (arc->setRadius(d.radius) != eOk) return fail(info, "the radius is not positive");
    arc->setNormal(info->extrusion);
    arc->setCenter(ocsPoint(info->extrusion, d.cx, d.cy, d.cz));
    arc->setStartAngle(d.angle1 * kDegree);
    arc->setEndAngle(d.angle2 * kDegree);
    stage(arc.get(), info);
  }

  void addCircle(const DL_CircleData& d) override {
    const oddxf::EntityInfo* info = begin("CIRCLE");
    if (info == nullptr) return;
    auto circle = OdDbCircle::createObject();
    if (circle->setRadius(d.radius) != eOk) return fail(info, "the radius is not positive");
    circle->setNormal(info->extrusion);
    circle->setCenter(ocsPoint(info->extrusion, d.cx, d.cy, d.cz));
    stage(circle.get(), info);
  }

  void addPolyline(const DL_PolylineData&) override {
    finishPending();
    const oddxf::EntityInfo* info = nextInfo();
    if (info == nullptr) return;
    if (info->type != "LWPOLYLINE" && info->type != "POLYLINE") return fail(info, "unexpected polyline");
    m_pending = info;
    m_vertices.clear();
  }

  void addVertex(const DL_VertexData& d) override {
    if (m_pending != nullptr) m_vertices.push_back(d);
  }

  void addSpline(const DL_SplineData& d) override {
    finishPending();
    const oddxf::EntityInfo* info = nextInfo();
    if (info == nullptr) return;
    if (info->type != "SPLINE") return fail(info, "unexpected spline");
    m_pending = info;
    m_splineDegree = static_cast<int>(d.degree);
    m_controls.clear();
    m_weights.clear();
    m_knots.clear();
    m_fits.clear();
  }
  void addControlPoint(const DL_ControlPointData& d) override {
    m_controls.emplace_back(d.x, d.y, d.z);
    m_weights.push_back(d.w);
  }
  void addKnot(const DL_KnotData& d) override { m_knots.push_back(d.k); }
  void addFitPoint(const DL_FitPointData& d) override { m_fits.emplace_back(d.x, d.y, d.z); }

  // Ends the last entity; false with message when the load must fail.
  bool finish(std::vector<Staged>& staged, std::string& message) {
    finishPending();
    if (m_error.empty() && m_next != m_infos.size()) m_error = "dxflib did not read every entity";
    if (!m_error.empty()) {
      message = m_error;
      return false;
    }
    staged = std::move(m_staged);
    return true;
  }

 private:
  const oddxf::EntityInfo* nextInfo() {
    if (!m_error.empty()) return nullptr;
    if (m_next >= m_infos.size()) {
      m_error = "dxflib reported more entities than the file holds";
      return nullptr;
    }
    return &m_infos[m_next++];
  }

  const oddxf::EntityInfo* begin(const char* type) {
    finishPending();
    const oddxf::EntityInfo* info = nextInfo();
    if (info != nullptr && info->type != type) {
      fail(info, std::string("dxflib read it as ") + type);
      return nullptr;
    }
    return info;
  }

  void fail(const oddxf::EntityInfo* info, const std::string& what) {
    if (!m_error.empty()) return;
    m_error = "line " + std::to_string(info->line) + ": " + info->type +
              (info->handle.empty() ? std::string() : " (handle " + info->handle + ")") + ": " + what;
  }

  static OdGePoint3d ocsPoint(const OdGeVector3d& normal, double x, double y, double z) {
    const OdGeVector3d n = normal.isZeroLength() ? OdGeVector3d::kZAxis : normal.normal();
    const OdGeVector3d ax = n.perpVector();
    const OdGeVector3d ay = n.crossProduct(ax);
    return OdGePoint3d::kOrigin + ax * x + ay * y + n * z;
  }

  void stage(OdDbEntity* entity, const oddxf::EntityInfo* info) {
    entity->setColor(info->color);
    if (info->invisible) entity->setVisibility(OdDb::kInvisible);
    m_staged.push_back({OdDbEntityPtr(entity), info});
  }

  void finishPending() {
    const oddxf::EntityInfo* info = m_pending;
    m_pending = nullptr;
    if (info == nullptr || !m_error.empty()) return;
    if (info->type == "SPLINE") return finishSpline(info);
    const bool closed = (info->flags & 1) != 0;
    if (info->type == "POLYLINE" && (info->flags & 8) != 0) {
      auto p3 = OdDb3dPolyline::createObject();
      for (const auto& v : m_vertices) p3->appendVertex(OdGePoint3d(v.x, v.y, v.z));
      if (closed) p3->makeClosed();
      return stage(p3.get(), info);
    }
    if (info->type == "POLYLINE") {
      auto p2 = OdDb2dPolyline::createObject();
      for (const auto& v : m_vertices) p2->appendVertex(OdGePoint3d(v.x, v.y, 0.0), v.bulge);
      p2->setElevation(info->elevation);
      p2->setNormal(info->extrusion);
      if (closed) p2->makeClosed();
      return stage(p2.get(), info);
    }
    auto lw = OdDbPolyline::createObject();
    for (const auto& v : m_vertices) lw->addVertexAt(lw->numVerts(), OdGePoint2d(v.x, v.y), v.bulge);
    lw->setElevation(info->elevation);
    lw->setNormal(info->extrusion);
    lw->setClosed(closed);
    stage(lw.get(), info);
  }

  void finishSpline(const oddxf::EntityInfo* info) {
    auto spline = OdDbSpline::createObject();
    OdResult result;
    if (!m_controls.empty()) {
      bool rational = false;
      for (double w : m_weights) rational = rational || w != 1.0;
      result = spline->setNurbsData(m_splineDegree, m_controls, m_knots, rational ? m_weights : std::vector<double>());
      if (result != eOk) return fail(info, "the control points, weights and knots do not make a spline");
    } else {
      result = spline->setFitData(m_fits, m_splineDegree);
      if (result != eOk) return fail(info, "it has neither control points nor two distinct fit points");
    }
    stage(spline.get(), info);
  }

  const std::vector<oddxf::EntityInfo>& m_infos;
  std::size_t m_next = 0;
  std::vector<Staged> m_staged;
  std::string m_error;
  const oddxf::EntityInfo* m_pending = nullptr;
  std::vector<DL_VertexData> m_vertices;
  int m_splineDegree = 3;
  std::vector<OdGePoint3d> m_controls, m_fits;
  std::vector<double> m_weights, m_knots;
};

bool Finite(const OdGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void AddViewports(OdDbDatabase& db, const std::vector<oddxf::ViewportInfo>& viewports) {
  OdDbObjectPtr object = db.getViewportTableId().openObject(OdDb::kForWrite);
  auto* table = OdDbViewportTable::cast(object.get());
  for (const auto& v : viewports) {
    auto record = OdDbViewportTableRecord::createObject();
    record->setName(OdString::fromUtf8(v.name));
    record->setLowerLeftCorner(v.lowerLeft);
    record->setUpperRightCorner(v.upperRight);
    record->setCenterPoint(v.center);
    record->setViewDirection(v.direction.isZeroLength() || !Finite(v.direction) ? OdGeVector3d::kZAxis : v.direction);
    record->setTarget(v.target);
    const double height = v.height > 0.0 ? v.height : 10.0;
    record->setHeight(height);
    record->setWidth(height * (v.aspect > 0.0 ? v.aspect : 1.0));
    record->setLensLength(v.lens > 0.0 ? v.lens : 50.0);
    record->setViewTwist(v.twist * kDegree);
    record->setPerspectiveEnabled((v.viewMode & 1) != 0);
    OdDbHandle handle;
    handle.fromAscii(v.handle);
    table->add(record.get(), handle);
  }
}

// A file without an active viewport is shown whole, from above.
void AddExtentsViewport(OdDbDatabase& db) {
  OdGeExtents3d extents = db.modelSpaceExtents();
  if (!extents.isValidExtents()) extents.set(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 10, 0));
  OdDbObjectPtr object = db.getViewportTableId().openObject(OdDb::kForWrite);
  auto* table = OdDbViewportTable::cast(object.get());
  auto record = OdDbViewportTableRecord::createObject();
  record->setName(viewportActiveNameStr);
  record->setTarget(extents.center());
  const double w = extents.maxPoint().x - extents.minPoint().x, h = extents.maxPoint().y - extents.minPoint().y;
  const double size = std::max({w, h, 1e-6}) * 1.1;
  record->setHeight(size);
  record->setWidth(size);
  table->add(record.get());
}

}  // namespace

OdResult odDbReadDxfText(const char* data, std::size_t size, OdDbDatabasePtr& database, std::string& message) {
  database.release();
  try {
    oddxf::ScanResult scan;
    if (!oddxf::ScanDxf(data, size, scan, message)) return eBadDxfSequence;
    DL_Dxf dxf;
    Builder builder(scan.entities);
    std::istringstream stream(scan.cleanText);
    if (!dxf.in(stream, &builder)) {
      message = "dxflib could not read the entities";
      return eBadDxfSequence;
    }
    std::vector<Staged> staged;
    if (!builder.finish(staged, message)) return eBadDxfSequence;

    OdDbDatabasePtr db = OdDbDatabase::createObject(false);
    for (const Staged& s : staged) {
      OdDbHandle handle;
      handle.fromAscii(s.info->handle);
      db->addEntity(s.entity.get(), handle);
    }
    AddViewports(*db, scan.viewports);
    if (db->activeViewportId().isNull()) AddExtentsViewport(*db);
    db->disableUndoRecording(false);
    database = db;
    return eOk;
  } catch (const std::bad_alloc&) { message = "not enough memory to read it"; } catch (const std::exception& error) {
    message = error.what();
  }
  database.release();
  return eBadDxfSequence;
}

OdResult odDbReadDxf(const std::string& path, OdDbDatabasePtr& database, std::string& message) {
  database.release();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    message = "the file cannot be read";
    return eFileNotFound;
  }
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxFileSize) {
    message = "the file cannot be read or is too large";
    return eFileNotFound;
  }
  file.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!file.read(text.data(), size)) {
    message = "the file cannot be read";
    return eFileNotFound;
  }
  return odDbReadDxfText(text.data(), text.size(), database, message);
}
