#include "host/DrawingDocument.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <map>

#include "host/FileCheck.h"
#include "host/Isolation.h"
#include "sdk/OdDbDxfReader.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/render/SoftwareRenderer.h"
#include "win32/Text.h"

namespace host {

namespace {

// Left drag orbits the view, the wheel zooms, a double click shows everything.
class ViewMouse : public QObject {
 public:
  explicit ViewMouse(DrawingViewManager& views) : m_views(views) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    OdGsView* view = m_views.activeView();
    if (view == nullptr) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
          m_last = mouse->pos();
          m_dragging = true;
          return true;
        }
        break;
      }
      case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragging) {
          const QPoint delta = mouse->pos() - m_last;
          m_last = mouse->pos();
          view->orbit(-delta.x() * 0.4, -delta.y() * 0.4);
          m_views.refreshView(view, 0);
          return true;
        }
        break;
      }
      case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
      case QEvent::MouseButtonDblClick:
        if (m_views.device()->database() != nullptr)
          view->zoomExtents(m_views.device()->database()->modelSpaceExtents());
        m_views.refreshView(view, 0);
        return true;
      case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        view->zoom(std::pow(1.15, wheel->angleDelta().y() / 120.0));
        m_views.refreshView(view, 0);
        return true;
      }
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  DrawingViewManager& m_views;
  QPoint m_last;
  bool m_dragging = false;
};

std::map<const Document*, std::unique_ptr<Drawing>>& Drawings() {
  static std::map<const Document*, std::unique_ptr<Drawing>> drawings;
  return drawings;
}

bool IsDxf(const std::string& path) {
  if (path.size() < 4) return false;
  return win32::ToLowerAscii(std::string_view(path).substr(path.size() - 4)) == ".dxf";
}

}  // namespace

// ---- view manager -------------------------------------------------------------------

DrawingViewManager::DrawingViewManager(OdDbDatabase* database, ViewWidget* widget)
    : m_database(database),
      m_widget(widget),
      m_view(widget),
      m_device(OdGsDevice::createObject(database)),
      m_frame(std::make_unique<odrender::Frame>()) {
  m_device->setBackgroundColor(0x212830);  // the view window's own background
  if (widget != nullptr) {
    OdGsDCRect rect;
    rect.m_max = {widget->width(), widget->height()};
    m_device->onSize(rect);
    m_mouse = std::make_unique<ViewMouse>(*this);
    widget->installEventFilter(m_mouse.get());
  }
  syncWithViewportTable();
}

DrawingViewManager::~DrawingViewManager() {
  if (m_widget) m_widget->removeEventFilter(m_mouse.get());
}

OdGsView* DrawingViewManager::activeView() { return m_widget ? m_device->viewAt(0) : nullptr; }

void DrawingViewManager::refreshView(OdGsView*, int) {
  syncWithViewportTable();
  if (m_widget) m_widget->repaint();
}

void DrawingViewManager::syncWithViewportTable() {
  if (m_database == nullptr) return;
  OdGsView* view = m_device->viewAt(0);
  const OdDbObjectId active = m_database->activeViewportId();
  OdDbObjectPtr object = active.openObject(OdDb::kForRead);
  auto* record = OdDbViewportTableRecord::cast(object.get());
  if (record == nullptr) return;
  const bool first = m_activeRecord.isNull();
  // A camera set on the view since the last sync is newer than any layout
  // change met here: a caller that replaced the layout and then aimed the
  // view relies on seeing that camera, so it goes into the new record.
  const bool cameraSetSince = !first && view->revision() != m_writtenRevision;
  if (cameraSetSince) {
    m_activeRecord = active;
    // Keeping undo as it is: writing the camera back is not a user's change.
    const bool undoWasDisabled = m_database->isUndoRecordingDisabled();
    m_database->disableUndoRecording(true);
    view->copyToViewport(*record);
    m_database->disableUndoRecording(undoWasDisabled);
  } else if (active != m_activeRecord) {
    m_activeRecord = active;
    view->setFromViewport(*record);
    // A record that was never given a view (a new drawing) shows everything.
    if (first && record->height() == 10.0 && record->target() == OdGePoint3d() &&
        record->centerPoint() == OdGePoint2d())
      view->zoomExtents(m_database->modelSpaceExtents());
  }
  m_writtenRevision = view->revision();
}

namespace {
// The live records of the active configuration, the active one first.
std::vector<OdDbViewportTableRecordPtr> ActiveTiles(OdDbDatabase* database) {
  std::vector<OdDbViewportTableRecordPtr> tiles;
  OdDbObjectPtr object = database->getViewportTableId().openObject(OdDb::kForRead);
  auto* table = OdDbViewportTable::cast(object.get());
  if (table == nullptr) return tiles;
  for (const OdDbObjectId& id : table->recordIds()) {
    OdDbObjectPtr recordObject = id.openObject(OdDb::kForRead);
    auto* record = OdDbViewportTableRecord::cast(recordObject.get());
    if (record == nullptr) continue;
    // Names compare without regard to case, as in the drawing format.
    OdString name = record->getName(), active(viewportActiveNameStr);
    if (name.makeUpper() == active.makeUpper()) tiles.emplace_back(record);
  }
  return tiles;
}

QRect TileRect(const OdDbViewportTableRecord& record, const QSize& size) {
  const auto clamp01 = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
  const int x0 = static_cast<int>(std::lround(clamp01(record.lowerLeftCorner().x) * size.width()));
  const int x1 = static_cast<int>(std::lround(clamp01(record.upperRightCorner().x) * size.width()));
  const int y0 = static_cast<int>(std::lround((1.0 - clamp01(record.upperRightCorner().y)) * size.height()));
  const int y1 = static_cast<int>(std::lround((1.0 - clamp01(record.lowerLeftCorner().y)) * size.height()));
  return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1));
}
}  // namespace

void DrawingViewManager::paint(QPainter& painter, const QSize& size) {
  if (size.width() < 1 || size.height() < 1) return;
  syncWithViewportTable();
  odrender::Frame& frame = *m_frame;
  const auto toImage = [&frame] {
    return QImage(reinterpret_cast<const uchar*>(frame.pixels.data()), frame.width, frame.height, frame.width * 4,
                  QImage::Format_RGB32);
  };
  const std::vector<OdDbViewportTableRecordPtr> tiles =
      m_database != nullptr ? ActiveTiles(m_database) : std::vector<OdDbViewportTableRecordPtr>();
  if (tiles.size() <= 1) {
    OdGsDCRect rect;
    rect.m_max = {size.width(), size.height()};
    m_device->onSize(rect);
    m_device->render(frame);
    painter.drawImage(0, 0, toImage());
    return;
  }
  // A tiled layout: every tile shows its own record's view; the active tile
  // (the first) shows the active view, and the device takes its size.
  OdGsViewPtr tileView(OdRxObjectImpl<OdGsView>::createObject(), kOdRxObjAttach);
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    const QRect rect = TileRect(*tiles[i], size);
    if (rect.width() < 1 || rect.height() < 1) continue;
    if (i == 0) {
      OdGsDCRect deviceRect;
      deviceRect.m_max = {rect.width(), rect.height()};
      m_device->onSize(deviceRect);
      m_device->render(frame);
    } else {
      tileView->setFromViewport(*tiles[i]);
      m_device->render(*tileView, rect.width(), rect.height(), frame);
    }
    painter.drawImage(rect.topLeft(), toImage());
    painter.setPen(i == 0 ? QColor(200, 200, 200) : QColor(90, 100, 110));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
  }
}

// ---- drawing ------------------------------------------------------------------------------

Drawing::Drawing(OdDbDatabasePtr database) : m_database(std::move(database)) {}

Drawing::~Drawing() {
  if (m_ownsPainter && m_views && m_views->widget() != nullptr) m_views->widget()->setPainter(nullptr);
}

void Drawing::attach(Document& document, ViewWidget* widget) {
  m_views = std::make_unique<DrawingViewManager>(m_database.get(), widget);
  document.setDatabase(m_database.get());
  document.setViewManager(m_views.get());
  if (widget != nullptr) {
    m_ownsPainter = true;
    DrawingViewManager* views = m_views.get();
    const Document* owner = &document;
    widget->setPainter([views, owner](QPainter& painter, const QSize& size) {
      // Once the document is closed, its drawing is not shown.
      if (Application::instance().document() != owner) return;
      views->paint(painter, size);
    });
    widget->update();
  }
}

Drawing* DrawingOf(const Document* document) {
  auto it = Drawings().find(document);
  return it == Drawings().end() ? nullptr : it->second.get();
}

void CloseDrawing(const Document* document) {
  auto it = Drawings().find(document);
  if (it == Drawings().end()) return;
  forgetIsolationOf(it->second->database());
  Drawings().erase(it);
}

namespace {
void Install(Document& document, ViewWidget* widget, OdDbDatabasePtr database, std::string file = {}) {
  std::unique_ptr<Drawing>& slot = Drawings()[&document];
  // The old drawing stays alive until the new one is in place, so that the
  // document never points at a freed database; it leaves the painter alone.
  std::unique_ptr<Drawing> old = std::move(slot);
  if (old) old->leavePainter();
  slot = std::make_unique<Drawing>(std::move(database));
  slot->setFile(std::move(file));
  slot->attach(document, widget);
}
}  // namespace

void NewDrawing(Document& document, ViewWidget* widget) { Install(document, widget, OdDbDatabase::createObject()); }

bool ReadDrawingFile(const std::string& path, OdDbDatabasePtr& database, std::u16string& message) {
  std::string error;
  if (!CheckFileToOpen(path, error) || odDbReadDxf(path, database, error) != eOk || database.isNull()) {
    message = u"Cannot open " + win32::FromUtf8(path) + u": " + win32::FromUtf8(error) + u".";
    database.release();
    return false;
  }
  return true;
}

void ShowDrawing(Document& document, ViewWidget* widget, OdDbDatabasePtr database, const std::string& path,
                 std::u16string& message) {
  const std::size_t entities = database->modelSpaceIds().size();
  Install(document, widget, std::move(database), path);
  message = u"Drawing opened: " + win32::FromUtf8(path) + u" (" + win32::FromUtf8(std::to_string(entities)) +
            (entities == 1 ? u" entity)." : u" entities).");
}

bool OpenDrawing(Document& document, ViewWidget* widget, const std::string& path, std::u16string& message) {
  OdDbDatabasePtr database;
  if (!ReadDrawingFile(path, database, message)) {
    NewDrawing(document, widget);
    return false;
  }
  ShowDrawing(document, widget, std::move(database), path, message);
  return true;
}

int OpenDrawingFiles(Document& document, ViewWidget* widget, const std::vector<std::string>& files, Console& console) {
  bool opened = false;
  int failed = 0;
  for (const std::string& file : files) {
    std::string reason;
    if (CheckFileToOpen(file, reason)) {
      if (!IsDxf(file)) reason = "no reader for it yet";
      else if (opened) reason = "a drawing is already open";
    }
    if (reason.empty()) {
      std::u16string message;
      failed += OpenDrawing(document, widget, file, message) ? 0 : 1;
      console.write(message);
      opened = true;
      continue;
    }
    console.write(u"Cannot open " + win32::FromUtf8(file) + u": " + win32::FromUtf8(reason) + u".");
    ++failed;
  }
  if (!opened) NewDrawing(document, widget);
  return failed;
}

}  // namespace host
