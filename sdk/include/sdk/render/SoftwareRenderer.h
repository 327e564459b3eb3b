// Our software renderer: draws curves (as polylines) and point clouds with
// parallel or perspective projection, a depth test, point size and a colour
// per point. One renderer draws the on-screen views and the device
// snapshots.
//
// Deterministic: the same scene, camera and size give the same pixels,
// whatever the number of threads. Each thread projects a share of the points
// and sorts them into horizontal bands; then each thread draws one band (its
// lines and every thread's points for it). Each pixel keeps the nearest
// sample, and of samples at the same depth the one with the smaller colour
// value, so the outcome does not depend on the order in which samples arrive.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/OdGe.h"
#include "sdk/OdGiDrawSink.h"

namespace odrender {

// The view of a camera: it stands at position, looks at target, with up
// pointing up on the screen. fieldWidth x fieldHeight is the part of the
// plane through the target, square to the view direction, that the image
// shows (fitted whole into the image; the other direction shows more when
// the aspects differ). In perspective, lensLength (millimetres of a 35 mm
// camera, 36 mm wide film) sets the angle of view across the field's width,
// and the field's aspect gives the height's angle.
struct Camera {
  OdGePoint3d position{0, 0, 1};
  OdGePoint3d target{0, 0, 0};
  OdGeVector3d up{0, 1, 0};
  double fieldWidth = 10.0;
  double fieldHeight = 10.0;
  bool perspective = false;
  double lensLength = 50.0;
};

// The primitives to draw, in world coordinates. Entities fill it through the
// OdGiDrawSink interface; a point-cloud entity adds point batches.
class ODSDK_EXPORT Scene : public OdGiDrawSink {
 public:
  void polyline(const OdGePoint3d* points, std::size_t count, OdGiRgb color) override;
  void points(const float* xyz, const OdGiRgb* colors, std::size_t count, OdGiRgb defaultColor, int pointSize) override;
  void clear();
  bool empty() const { return m_lines.empty() && m_batches.empty(); }
  OdGeExtents3d extents() const;

  struct Line {
    std::size_t first, count;
    OdGiRgb color;
  };
  struct PointBatch {
    std::vector<float> xyz;
    std::vector<OdGiRgb> colors;  // empty: all in defaultColor
    OdGiRgb defaultColor;
    int pointSize;
  };
  const std::vector<OdGePoint3d>& vertices() const { return m_vertices; }
  const std::vector<Line>& lines() const { return m_lines; }
  const std::vector<PointBatch>& batches() const { return m_batches; }

 private:
  std::vector<OdGePoint3d> m_vertices;
  std::vector<Line> m_lines;
  std::vector<PointBatch> m_batches;
};

// A rendered frame: width x height pixels, rows top-down, each 0xFFRRGGBB
// (bytes blue, green, red, alpha in memory). Keep a frame and render into it
// again: its working buffers are reused.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  // Where the colours go instead of pixels when set: width x height, the top
  // row at target and each row targetStep pixels after the one above it
  // (0: width, rows without padding; negative for a bottom-up bitmap), in an
  // image's own memory so that a snapshot is drawn in place. Reset by
  // whoever set them.
  std::uint32_t* target = nullptr;
  std::ptrdiff_t targetStep = 0;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

  // The renderer's working buffers: per pixel the depth key (high 32 bits)
  // and colour (low 32 bits), so that one compare does the depth test; and
  // the projected points sorted by thread and band of rows.
  struct Binned {
    std::uint64_t sample;
    std::int32_t x;  // top-left pixel of the point's square
    std::int16_t y;
    std::int16_t size;
  };
  std::vector<std::uint64_t> work;
  std::vector<std::vector<Binned>> bins;
};

// Where a world point lands: pixel coordinates (x right, y down, pixel i
// covering [i, i + 1)) and a depth key growing with distance from the eye.
struct ODSDK_EXPORT Projection {
  // Builds the projection of camera onto a width x height image.
  Projection(const Camera& camera, int width, int height);
  // False for a point behind the eye (perspective only).
  bool project(double x, double y, double z, double& sx, double& sy, double& key) const;

  OdGeVector3d xAxis, yAxis, zAxis;  // the view's axes; zAxis points from the target to the eye
  OdGePoint3d eye, target;
  bool perspective;
  double scale;  // pixels per drawing unit (parallel) or focal length in pixels (perspective)
  double nearDistance;
  double cx, cy;
};

class ODSDK_EXPORT SoftwareRenderer {
 public:
  // threads 0: one per core.
  explicit SoftwareRenderer(unsigned threads = 0);
  unsigned threads() const { return m_threads; }
  // Draws scene into frame (resized to width x height), over background
  // (0xRRGGBB). Sizes below 1 give an empty frame.
  void render(const Scene& scene, const Camera& camera, int width, int height, OdGiRgb background, Frame& frame) const;

 private:
  unsigned m_threads;
};

}  // namespace odrender
