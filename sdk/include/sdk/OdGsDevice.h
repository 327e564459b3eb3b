// Graphics views and devices: a device draws a database through its views
// with our software renderer, for the screen and for snapshots.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "sdk/OdGe.h"
#include "sdk/OdGiDrawSink.h"
#include "sdk/OdGiRasterImage.h"
#include "sdk/OdRxDictionary.h"

class OdDbDatabase;
class OdDbViewportTableRecord;
class OdGsDevice;
namespace odrender {
struct Camera;
struct Frame;
class Scene;
class SoftwareRenderer;
}  // namespace odrender

struct OdGsDCPoint {
  long x = 0;
  long y = 0;
};

// A rectangle in device pixels.
struct OdGsDCRect {
  OdGsDCPoint m_min;
  OdGsDCPoint m_max;
  long width() const { return m_max.x > m_min.x ? m_max.x - m_min.x : m_min.x - m_max.x; }
  long height() const { return m_max.y > m_min.y ? m_max.y - m_min.y : m_min.y - m_max.y; }
};

// One view of a device: a camera. Not thread-safe (main thread).
class ODSDK_EXPORT OdGsView : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdGsView);

 public:
  enum Projection { kParallel = 0, kPerspective = 1 };

  OdGePoint3d position() const { return m_position; }
  OdGePoint3d target() const { return m_target; }
  OdGeVector3d upVector() const { return m_up; }
  double fieldWidth() const { return m_fieldWidth; }
  double fieldHeight() const { return m_fieldHeight; }
  bool isPerspective() const { return m_perspective; }
  double lensLength() const { return m_lens; }
  void setLensLength(double lens);
  // Sets the camera. A field that is not positive and finite keeps the
  // view's earlier field; a non-finite point or vector is ignored (the view
  // keeps its camera), so a view is always drawable.
  void setView(const OdGePoint3d& position, const OdGePoint3d& target, const OdGeVector3d& upVector, double fieldWidth,
               double fieldHeight, Projection projection = kParallel);
  // The device that draws this view (null once the device is gone).
  OdGsDevice* device() const { return m_device; }

  // Turns the eye about the target: horizontal degrees about world Z,
  // vertical degrees about the view's horizontal axis (kept short of the poles).
  void orbit(double horizontalDegrees, double verticalDegrees);
  // Makes things look factor times larger (factor > 0).
  void zoom(double factor);
  // Fits the box into the view, keeping the direction of view.
  void zoomExtents(const OdGeExtents3d& extents);
  // Grows with every camera change.
  unsigned long long revision() const { return m_revision; }

  void camera(odrender::Camera& camera) const;
  // Copies a viewport record's view settings into this view, and back.
  void setFromViewport(const OdDbViewportTableRecord& record);
  void copyToViewport(OdDbViewportTableRecord& record) const;

  void setDevice(OdGsDevice* device) { m_device = device; }

 protected:
  OdGsView() = default;

 private:
  OdGePoint3d m_position{0, 0, 1};
  OdGePoint3d m_target{0, 0, 0};
  OdGeVector3d m_up{0, 1, 0};
  double m_fieldWidth = 10.0;
  double m_fieldHeight = 10.0;
  bool m_perspective = false;
  double m_lens = 50.0;
  OdGsDevice* m_device = nullptr;
  unsigned long long m_revision = 0;
};
using OdGsViewPtr = OdSmartPtr<OdGsView>;

class ODSDK_EXPORT OdGsDevice : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdGsDevice);

 public:
  // A device with one view, drawing database (which must outlive the
  // device's use of it; null draws nothing).
  static OdSmartPtr<OdGsDevice> createObject(OdDbDatabase* database);
  ~OdGsDevice() override;

  OdDbDatabase* database() const { return m_database; }
  void setDatabase(OdDbDatabase* database);
  // Its properties, with a "SnapShotFlags" entry (an OdRxVariant, UInt32 0).
  OdRxDictionaryPtr properties() const { return m_properties; }
  int numViews() const { return static_cast<int>(m_views.size()); }
  OdGsView* viewAt(int index) const;
  // The window's size in pixels: min (0, 0), max (width, height).
  void getSize(OdGsDCRect& rect) const;
  void onSize(const OdGsDCRect& rect);
  OdGiRgb backgroundColor() const { return m_background; }
  void setBackgroundColor(OdGiRgb color) { m_background = color & 0xFFFFFFu; }
  // Draws the first view at the rectangle's size (the device's own size when
  // the rectangle is empty) into a new image; or, when `image` already holds
  // one of the application's images that takes a drawing of that size (see
  // setSnapShotImageFactory), into that image again.
  void getSnapShot(OdGiRasterImagePtr& image, const OdGsDCRect& region);
  // What getSnapShot returns: an application (the host) may have snapshots
  // made as its own raster images. The factory makes an image of the size
  // and points `pixels` at its memory, where the view is then drawn
  // (0xAARRGGBB, width x height, rows top-down without padding); it returns
  // null when it cannot make one. Null restores the SDK's own image. Set it
  // before devices are used; main thread only.
  using SnapShotImageFactory = OdGiRasterImagePtr (*)(OdUInt32 width, OdUInt32 height, OdUInt32** pixels);
  // Whether an image passed to getSnapShot is the application's and takes a
  // width x height drawing: if so, where its top row is and how many pixels
  // on the row below starts (negative for a bottom-up image).
  using SnapShotImageReuse = bool (*)(OdGiRasterImage* image, OdUInt32 width, OdUInt32 height, OdUInt32** top,
                                      std::ptrdiff_t* step);
  static void setSnapShotImageFactory(SnapShotImageFactory factory, SnapShotImageReuse reuse = nullptr);
  // Draws the first view at the device's size into frame.
  void render(odrender::Frame& frame);
  // Draws the device's drawing as seen by another view (a tile of a tiled
  // layout) at width x height into frame.
  void render(const OdGsView& view, int width, int height, odrender::Frame& frame);

 protected:
  OdGsDevice();

 private:
  const odrender::Scene& scene();

  OdDbDatabase* m_database = nullptr;
  OdRxDictionaryPtr m_properties;
  std::vector<OdGsViewPtr> m_views;
  long m_width = 640, m_height = 480;
  OdGiRgb m_background = 0x212830;
  std::unique_ptr<odrender::Scene> m_scene;
  std::unique_ptr<odrender::SoftwareRenderer> m_renderer;
  std::unique_ptr<odrender::Frame> m_snapshotFrame;  // its working buffers are reused
  unsigned long long m_sceneRevision = ~0ull;
};
using OdGsDevicePtr = OdSmartPtr<OdGsDevice>;
