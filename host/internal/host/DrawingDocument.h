// A document's drawing: its database, the graphics device and view that
// draw it, and the painting of the view window. Main thread only.
#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "host/DrawingViewManager.h"
#include "host/HostSession.h"
#include "host/HostWindow.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdGsDevice.h"

class QPainter;
class QSize;
namespace odrender {
struct Frame;
}

namespace host {

class HOST_EXPORT DrawingViewManager final : public HostViewManager {
 public:
  DrawingViewManager(OdDbDatabase* database, ViewWidget* widget);
  ~DrawingViewManager();

  OdGsView* activeView() override;
  void refreshView(OdGsView* view, int flags) override;

  OdGsDevice* device() const { return m_device.get(); }
  ViewWidget* widget() const { return m_widget ? m_view : nullptr; }
  // Brings the view and the drawing's active viewport record in step: a new
  // active record (the layout was changed) sets the camera, unless the camera
  // was set after the last step (then the newer camera stays and goes into
  // the new record); otherwise the camera is written into the record, so
  // that a copy of the record shows what the view shows.
  void syncWithViewportTable();
  // Draws the view at size with the painter (the view window's painter hook).
  void paint(QPainter& painter, const QSize& size);

 private:
  OdDbDatabase* m_database;
  // Whether the window still lives, asked as a QWidget: while a ViewWidget
  // is destroyed its QWidget part still sends events (a synthetic leave)
  // through the mouse filter, and it is no longer a ViewWidget then.
  QPointer<QWidget> m_widget;
  ViewWidget* m_view;
  OdGsDevicePtr m_device;
  OdDbObjectId m_activeRecord;
  unsigned long long m_writtenRevision = ~0ull;
  std::unique_ptr<QObject> m_mouse;
  std::unique_ptr<odrender::Frame> m_frame;  // kept: the renderer reuses its buffers
};

class HOST_EXPORT Drawing {
 public:
  explicit Drawing(OdDbDatabasePtr database);
  ~Drawing();
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  OdDbDatabase* database() const { return m_database.get(); }
  DrawingViewManager* views() const { return m_views.get(); }
  // The DXF file the drawing was read from (UTF-8); empty for a new drawing.
  const std::string& file() const { return m_file; }
  void setFile(std::string file) { m_file = std::move(file); }
  // Shows the drawing in widget (which may be null: no view window) and
  // hands its database and view manager to document.
  void attach(Document& document, ViewWidget* widget);
  // Another drawing takes over the view window: this one's destruction must
  // not clear the window's painter.
  void leavePainter() { m_ownsPainter = false; }

 private:
  bool m_ownsPainter = false;
  std::string m_file;
  OdDbDatabasePtr m_database;
  std::unique_ptr<DrawingViewManager> m_views;
};

// The drawing of document, or null.
HOST_EXPORT Drawing* DrawingOf(const Document* document);
// The document is closing: its drawing goes with it, and the view window
// shows nothing of it any more.
HOST_EXPORT void CloseDrawing(const Document* document);
// Gives document an empty drawing.
HOST_EXPORT void NewDrawing(Document& document, ViewWidget* widget);
// Gives document the drawing in the DXF file at path (UTF-8). On failure
// returns false with message (one line) and gives the document an empty
// drawing, so nothing of a bad file is kept.
HOST_EXPORT bool OpenDrawing(Document& document, ViewWidget* widget, const std::string& path, std::u16string& message);
// The two halves of OpenDrawing. ReadDrawingFile reads the DXF file at path
// into database, or returns false with message ("Cannot open PATH: REASON.")
// and touches nothing; ShowDrawing makes database document's drawing, read
// from path, and says so in message.
HOST_EXPORT bool ReadDrawingFile(const std::string& path, OdDbDatabasePtr& database, std::u16string& message);
HOST_EXPORT void ShowDrawing(Document& document, ViewWidget* widget, OdDbDatabasePtr database, const std::string& path,
                             std::u16string& message);
// What pchost does with the files named on its command line: the first DXF
// file becomes the drawing (or an empty one when there is none, or it
// cannot be read); every outcome is reported on console. Returns how many of
// the files were not opened.
HOST_EXPORT int OpenDrawingFiles(Document& document, ViewWidget* widget, const std::vector<std::string>& files,
                                 Console& console);

}  // namespace host
