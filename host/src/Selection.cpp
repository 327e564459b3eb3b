#include <QEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <sstream>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/XPC.h"
#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdGsDevice.h"
#include "win32/Text.h"

ODRX_DEFINE_MEMBERS(hostSelectionSet, OdRxObject)

hostSelectionSetPtr hostSelectionSet::createObject(OdDbDatabase* database) {
  hostSelectionSetPtr set(OdRxObjectImpl<hostSelectionSet>::createObject(), kOdRxObjAttach);
  set->m_database = database;
  return set;
}

bool hostSelectionSet::isMember(const OdDbObjectId& id) const {
  return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

bool hostSelectionSet::append(const OdDbObjectId& id) {
  if (id.isNull() || m_database == nullptr || id.database() != m_database || isMember(id)) return false;
  m_ids.push_back(id);
  return true;
}

bool hostSelectionSet::remove(const OdDbObjectId& id) {
  auto it = std::find(m_ids.begin(), m_ids.end(), id);
  if (it == m_ids.end()) return false;
  m_ids.erase(it);
  return true;
}

namespace host {

namespace {

struct Kind {
  const char* name;
  const OdRxClass* (*cls)();
};

// Most derived first, so that a class test finds the closest kind.
const Kind kKinds[] = {
    {"POINTCLOUD", &hostDbPointCloudInsertion::desc}, {"LINE", &OdDbLine::desc},
    {"ARC", &OdDbArc::desc},                          {"CIRCLE", &OdDbCircle::desc},
    {"LWPOLYLINE", &OdDbPolyline::desc},              {"POLYLINE", &OdDb2dPolyline::desc},
    {"POLYLINE3D", &OdDb3dPolyline::desc},            {"SPLINE", &OdDbSpline::desc},
};

std::u16string U16(const std::string& text) { return win32::FromUtf8(text); }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Projects world points onto the view window's pixels the way the renderer
// does: parallel or perspective, the field fitted whole into the window.
class ViewProjection {
 public:
  ViewProjection(const OdGsView& view, int width, int height) {
    m_eye = view.position();
    m_target = view.target();
    m_perspective = view.isPerspective();
    m_z = m_eye - m_target;
    if (m_z.isZeroLength()) m_z = OdGeVector3d::kZAxis;
    m_z.normalize();
    m_x = view.upVector().crossProduct(m_z);
    if (m_x.isZeroLength(OdGeTol(1e-12))) m_x = m_z.perpVector();
    m_x.normalize();
    m_y = m_z.crossProduct(m_x);
    m_cx = width * 0.5;
    m_cy = height * 0.5;
    const double fw = view.fieldWidth() > 0 ? view.fieldWidth() : 1.0;
    const double fh = view.fieldHeight() > 0 ? view.fieldHeight() : 1.0;
    if (!m_perspective) {
      m_scale = std::min(width / fw, height / fh);
    } else {
      const double lens = view.lensLength() > 0 ? view.lensLength() : 50.0;
      const double tanHalfW = 18.0 / lens, tanHalfH = tanHalfW * fh / fw;
      m_scale = std::min(width / (2.0 * tanHalfW), height / (2.0 * tanHalfH));
      m_near = std::max(1e-9, m_eye.distanceTo(m_target) * 1e-4);
    }
  }
  bool project(double x, double y, double z, double& sx, double& sy) const {
    if (!m_perspective) {
      const double tx = x - m_target.x, ty = y - m_target.y, tz = z - m_target.z;
      sx = m_cx + (tx * m_x.x + ty * m_x.y + tz * m_x.z) * m_scale;
      sy = m_cy - (tx * m_y.x + ty * m_y.y + tz * m_y.z) * m_scale;
      return true;
    }
    const double vx = x - m_eye.x, vy = y - m_eye.y, vz = z - m_eye.z;
    const double d = -(vx * m_z.x + vy * m_z.y + vz * m_z.z);
    if (!(d > m_near)) return false;
    sx = m_cx + (vx * m_x.x + vy * m_x.y + vz * m_x.z) * m_scale / d;
    sy = m_cy - (vx * m_y.x + vy * m_y.y + vz * m_y.z) * m_scale / d;
    return true;
  }

 private:
  OdGePoint3d m_eye, m_target;
  OdGeVector3d m_x, m_y, m_z;
  bool m_perspective = false;
  double m_cx = 0, m_cy = 0, m_scale = 1, m_near = 0;
};

// Measures how near an entity's drawing passes to one pixel.
class DistanceSink final : public OdGiDrawSink {
 public:
  DistanceSink(const ViewProjection& projection, double x, double y) : m_proj(projection), m_x(x), m_y(y) {}
  void polyline(const OdGePoint3d* points, std::size_t count, OdGiRgb) override {
    double ax = 0, ay = 0;
    bool haveA = false;
    for (std::size_t i = 0; i < count; ++i) {
      double bx, by;
      if (!m_proj.project(points[i].x, points[i].y, points[i].z, bx, by)) {
        haveA = false;
        continue;
      }
      if (haveA) consider(SegmentDistance(ax, ay, bx, by));
      else consider(std::hypot(bx - m_x, by - m_y));
      ax = bx;
      ay = by;
      haveA = true;
    }
  }
  void points(const float* xyz, const OdGiRgb*, std::size_t count, OdGiRgb, int pointSize) override {
    const double half = pointSize * 0.5;
    for (std::size_t i = 0; i < count; ++i, xyz += 3) {
      double sx, sy;
      if (m_proj.project(xyz[0], xyz[1], xyz[2], sx, sy)) consider(std::max(0.0, std::hypot(sx - m_x, sy - m_y) - half));
    }
  }
  double distance() const { return m_best; }

 private:
  double SegmentDistance(double ax, double ay, double bx, double by) const {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((m_x - ax) * dx + (m_y - ay) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(ax + t * dx - m_x, ay + t * dy - m_y);
  }
  void consider(double d) {
    if (std::isfinite(d)) m_best = std::min(m_best, d);
  }

  const ViewProjection& m_proj;
  double m_x, m_y;
  double m_best = std::numeric_limits<double>::infinity();
};

// While a person answers a selection prompt, a left click in the view
// window offers the entity under the pointer to the pick.
class ClickPicker final : public QObject {
 public:
  ClickPicker(Document& document, hostSelectionSet& set, HostEdSSetTracker* tracker)
      : m_document(document), m_set(set), m_tracker(tracker) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) return true;
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return QObject::eventFilter(watched, event);
    Console& console = Application::instance().console();
    bool refused = false;
    const OdDbObjectId id = PickEntityAt(m_document, mouse->pos().x(), mouse->pos().y(), 6.0,
                                         [&](const OdDbObjectId&) { return true; });
    if (id.isNull()) {
      console.write(u"Nothing there.");
      return true;
    }
    if (m_set.isMember(id)) {
      console.write(u"Already picked.");
      return true;
    }
    refused = !DocumentSelectionInput::Offer(m_set, id, m_tracker);
    console.write(refused ? u"That object cannot be picked here." : u"1 found, " + U16(std::to_string(m_set.numEntities())) + u" in all.");
    return true;
  }

 private:
  Document& m_document;
  hostSelectionSet& m_set;
  HostEdSSetTracker* m_tracker;
};

std::map<const Document*, std::unique_ptr<DocumentSelectionInput>>& Inputs() {
  static std::map<const Document*, std::unique_ptr<DocumentSelectionInput>> inputs;
  return inputs;
}

}  // namespace

const char* EntityKindName(const OdDbObject* object) {
  if (object == nullptr) return "";
  for (const Kind& kind : kKinds) {
    if (object->isA() == kind.cls()) return kind.name;
  }
  for (const Kind& kind : kKinds) {
    if (object->isKindOf(kind.cls())) return kind.name;
  }
  return "";
}

bool DocumentSelectionInput::Offer(hostSelectionSet& set, const OdDbObjectId& id, HostEdSSetTracker* tracker) {
  if (id.isNull() || set.isMember(id)) return false;
  OdDbObjectPtr object = id.openObject(OdDb::kForRead);
  if (object.isNull()) return false;
  bool accepted = true;
  if (tracker != nullptr) {
    try {
      accepted = tracker->isSelectable(id);
    } catch (const OdError&) {
      // A filter that cannot take the object's class refuses it.
      accepted = false;
    }
    tracker->releaseObject(object);
  }
  if (!accepted || !set.append(id)) return false;
  if (tracker != nullptr) tracker->onAdded(id);
  return true;
}

hostSelectionSetPtr DocumentSelectionInput::currentSelectionSet() {
  if (m_current.isNull() || m_current->database() != m_document.database())
    m_current = hostSelectionSet::createObject(m_document.database());
  return m_current;
}

void DocumentSelectionInput::replaceCurrentSelectionSet(hostSelectionSet* set) {
  m_current = set != nullptr ? hostSelectionSetPtr(set) : hostSelectionSet::createObject(m_document.database());
}

int DocumentSelectionInput::select(hostSelectionSetPtr& set, int, const OdChar* prompt, int, int options, int, int,
                                   int, HostEdSSetTracker* tracker) {
  OdDbDatabase* database = m_document.database();
  Console& console = Application::instance().console();
  if (set.isNull()) set = hostSelectionSet::createObject(database);
  const std::vector<OdDbObjectId> before = set->objectIdArray();
  const auto restore = [&] {
    set->clear();
    for (const auto& id : before) set->append(id);
  };
  if (tracker != nullptr) tracker->onStart();
  if ((options & kHostSelectReplace) != 0) set->clear();
  if ((options & kHostSelectFilterHeld) != 0 && tracker != nullptr) {
    const std::vector<OdDbObjectId> held = set->objectIdArray();
    set->clear();
    for (const auto& id : held) Offer(*set, id, tracker);
  }

  std::unique_ptr<ClickPicker> clicks;
  ViewWidget* widget = nullptr;
  if (Drawing* drawing = DrawingOf(&m_document)) widget = drawing->views()->widget();
  if (widget != nullptr) {
    clicks = std::make_unique<ClickPicker>(m_document, *set, tracker);
    widget->installEventFilter(clicks.get());
  }
  const std::u16string shown = prompt != nullptr ? std::u16string(prompt) : std::u16string(u"Select objects");
  int status = kHostPromptOk;
  for (;;) {
    std::u16string answer;
    status = console.readLine(shown, u"", answer);
    if (status != kHostPromptOk) break;
    std::istringstream words(win32::ToUtf8(answer));
    std::string verb;
    if (!(words >> verb)) break;  // an empty answer ends the pick
    verb = Upper(verb);
    if (verb == "HANDLE") {
      std::string text;
      int found = 0, refused = 0, missing = 0;
      while (words >> text) {
        OdDbHandle handle;
        OdDbObjectId id;
        if (database != nullptr && handle.fromAscii(text)) id = database->getOdDbObjectId(handle);
        if (id.isNull() || id.openObject(OdDb::kForRead).isNull()) {
          ++missing;
          console.write(u"No object with handle " + U16(text) + u".");
          continue;
        }
        if (set->isMember(id)) continue;
        if (Offer(*set, id, tracker)) ++found;
        else ++refused;
      }
      console.write(U16(std::to_string(found)) + u" found" +
                    (refused != 0 ? u", " + U16(std::to_string(refused)) + u" cannot be picked here" : u"") + u".");
      break;
    }
    if (verb == "KIND") {
      std::string kind, all;
      words >> kind >> all;
      kind = Upper(kind);
      const bool every = Upper(all) == "ALL";
      int found = 0;
      if (database != nullptr) {
        for (const OdDbObjectId& id : database->modelSpaceIds()) {
          OdDbObjectPtr object = id.openObject(OdDb::kForRead);
          if (object.isNull() || kind != EntityKindName(object.get())) continue;
          object.release();
          if (set->isMember(id)) continue;
          if (Offer(*set, id, tracker)) {
            ++found;
            if (!every) break;
          }
        }
      }
      console.write(U16(std::to_string(found)) + u" found.");
      break;
    }
    console.write(u"Answer with \"handle H ...\", \"kind KIND [all]\", click objects, an empty line to end, or ^C.");
  }
  if (clicks) {
    if (widget != nullptr) widget->removeEventFilter(clicks.get());
  }
  if (status != kHostPromptOk) restore();
  if (tracker != nullptr) tracker->onEnd();
  return status;
}

void InstallSelectionInput(Document& document) {
  auto& slot = Inputs()[&document];
  if (!slot) slot = std::make_unique<DocumentSelectionInput>(document);
  document.setSelectionInput(slot.get());
}

void RemoveSelectionInput(const Document& document) { Inputs().erase(&document); }

OdDbObjectId PickEntityAt(Document& document, int x, int y, double tolerance,
                          const std::function<bool(const OdDbObjectId&)>& accept) {
  Drawing* drawing = DrawingOf(&document);
  if (drawing == nullptr || drawing->views() == nullptr) return {};
  OdGsDevice* device = drawing->views()->device();
  OdGsView* view = device != nullptr ? device->viewAt(0) : nullptr;
  if (view == nullptr || drawing->database() == nullptr) return {};
  OdGsDCRect rect;
  device->getSize(rect);
  const ViewProjection projection(*view, static_cast<int>(rect.width()), static_cast<int>(rect.height()));
  const OdGeExtents3d extents = drawing->database()->modelSpaceExtents();
  const double size = extents.isValidExtents() ? extents.minPoint().distanceTo(extents.maxPoint()) : 1.0;
  OdDbObjectId best;
  double bestDistance = tolerance;
  for (const OdDbObjectId& id : drawing->database()->modelSpaceIds()) {
    OdDbObjectPtr object = id.openObject(OdDb::kForRead);
    auto* entity = OdDbEntity::cast(object.get());
    if (entity == nullptr || entity->visibility() != OdDb::kVisible) continue;
    DistanceSink sink(projection, x + 0.5, y + 0.5);
    entity->worldDraw(sink, std::max(size * 2e-4, 1e-9));
    if (sink.distance() <= bestDistance && accept(id)) {
      bestDistance = sink.distance();
      best = id;
    }
  }
  return best;
}

}  // namespace host
