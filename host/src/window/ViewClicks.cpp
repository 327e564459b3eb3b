// Clicks in the view window: which entity's drawing passes nearest to a
// pixel (projected as the renderer projects), and the clicks offered to a
// pick while a person answers its prompt.
#include "ViewClicks.h"

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <limits>

#include "host/DrawingDocument.h"
#include "host/HostSession.h"
#include "sdk/OdDbEntity.h"
#include "sdk/OdGsDevice.h"
#include "win32/Text.h"

namespace host {

namespace {

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
      if (m_proj.project(xyz[0], xyz[1], xyz[2], sx, sy))
        consider(std::max(0.0, std::hypot(sx - m_x, sy - m_y) - half));
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
class ClickPicker : public QObject {
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
    const OdDbObjectId id =
        PickEntityAt(m_document, mouse->pos().x(), mouse->pos().y(), 6.0, [&](const OdDbObjectId&) { return true; });
    if (id.isNull()) {
      console.write(u"Nothing there.");
      return true;
    }
    if (m_set.isMember(id)) {
      console.write(u"Already picked.");
      return true;
    }
    refused = !DocumentSelectionInput::Offer(m_set, id, m_tracker);
    console.write(refused ? u"That object cannot be picked here."
                          : u"1 found, " + win32::FromUtf8(std::to_string(m_set.numEntities())) + u" in all.");
    return true;
  }

 private:
  Document& m_document;
  hostSelectionSet& m_set;
  HostEdSSetTracker* m_tracker;
};

// Removes its click filter from the view window when it goes, unless the
// window went first.
class ViewClickWatch final : public ClickPicker {
 public:
  ViewClickWatch(Document& document, hostSelectionSet& set, HostEdSSetTracker* tracker, QWidget* widget)
      : ClickPicker(document, set, tracker), m_widget(widget) {
    m_widget->installEventFilter(this);
  }
  ~ViewClickWatch() override {
    if (m_widget != nullptr) m_widget->removeEventFilter(this);
  }

 private:
  QPointer<QWidget> m_widget;
};

}  // namespace

std::unique_ptr<QObject> WatchViewClicks(Document& document, hostSelectionSet& set, HostEdSSetTracker* tracker) {
  Drawing* drawing = DrawingOf(&document);
  ViewWidget* widget = drawing != nullptr ? drawing->views()->widget() : nullptr;
  if (widget == nullptr) return nullptr;
  return std::make_unique<ViewClickWatch>(document, set, tracker, widget);
}

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
