#include "sdk/OdGsDevice.h"

#include <algorithm>
#include <cmath>

#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbEntity.h"
#include "sdk/OdDbViewportTable.h"
#include "sdk/render/SoftwareRenderer.h"

namespace {

bool Finite(const OdGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool Finite(const OdGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool Usable(double f) { return std::isfinite(f) && f > 0.0; }

OdGeVector3d Rotate(const OdGeVector3d& v, const OdGeVector3d& axis, double angle) {
  // Rodrigues' formula; axis is a unit vector.
  const double c = std::cos(angle), s = std::sin(angle);
  return v * c + axis.crossProduct(v) * s + axis * (axis.dotProduct(v) * (1.0 - c));
}

constexpr double kDegree = 3.14159265358979323846 / 180.0;

}  // namespace

// ---- dictionary, variant, raster image ---------------------------------------------------

ODRX_DEFINE_MEMBERS(OdRxDictionary, OdRxObject)
ODRX_DEFINE_MEMBERS(OdRxVariant, OdRxObject)
ODRX_DEFINE_MEMBERS(OdGiRasterImage, OdRxObject)
ODRX_DEFINE_MEMBERS(OdGiRasterImageBGRA, OdGiRasterImage)
ODRX_DEFINE_MEMBERS(OdGsView, OdRxObject)
ODRX_DEFINE_MEMBERS(OdGsDevice, OdRxObject)

OdSmartPtr<OdRxDictionary> OdRxDictionary::createObject() {
  return OdSmartPtr<OdRxDictionary>(OdRxObjectImpl<OdRxDictionary>::createObject(), kOdRxObjAttach);
}

OdRxObjectPtr OdRxDictionary::getAt(const OdString& key) const {
  auto it = m_entries.find(key);
  return it == m_entries.end() ? OdRxObjectPtr() : it->second;
}

OdRxObjectPtr OdRxDictionary::putAt(const OdString& key, OdRxObject* object) {
  OdRxObjectPtr previous = getAt(key);
  m_entries[key] = OdRxObjectPtr(object);
  return previous;
}

OdRxObjectPtr OdRxDictionary::remove(const OdString& key) {
  OdRxObjectPtr previous = getAt(key);
  m_entries.erase(key);
  return previous;
}

OdUInt32 OdGiRasterImage::pixelAt(OdUInt32 x, OdUInt32 y) const {
  if (x >= pixelWidth() || y >= pixelHeight()) return 0;
  const OdUInt32 row = isTopDown() ? y : pixelHeight() - 1 - y;
  const OdUInt8* p = scanLines() + static_cast<std::size_t>(row) * scanLineSize() + static_cast<std::size_t>(x) * 4;
  return static_cast<OdUInt32>(p[0]) | (static_cast<OdUInt32>(p[1]) << 8) | (static_cast<OdUInt32>(p[2]) << 16) |
         (static_cast<OdUInt32>(p[3]) << 24);
}

OdSmartPtr<OdGiRasterImageBGRA> OdGiRasterImageBGRA::createObject(OdUInt32 width, OdUInt32 height,
                                                                  std::vector<OdUInt32> pixels) {
  OdSmartPtr<OdGiRasterImageBGRA> image(OdRxObjectImpl<OdGiRasterImageBGRA>::createObject(), kOdRxObjAttach);
  pixels.resize(static_cast<std::size_t>(width) * height);
  image->m_width = width;
  image->m_height = height;
  image->m_pixels = std::move(pixels);
  return image;
}

// ---- view ------------------------------------------------------------------------------

void OdGsView::setLensLength(double lens) {
  if (Usable(lens)) m_lens = lens;
  ++m_revision;
}

void OdGsView::setView(const OdGePoint3d& position, const OdGePoint3d& target, const OdGeVector3d& upVector,
                       double fieldWidth, double fieldHeight, Projection projection) {
  if (Finite(position) && Finite(target) && Finite(upVector)) {
    m_position = position;
    m_target = target;
    m_up = upVector;
  }
  if (Usable(fieldWidth)) m_fieldWidth = fieldWidth;
  if (Usable(fieldHeight)) m_fieldHeight = fieldHeight;
  m_perspective = projection == kPerspective;
  ++m_revision;
}

void OdGsView::orbit(double horizontalDegrees, double verticalDegrees) {
  OdGeVector3d eye = m_position - m_target;
  if (eye.isZeroLength()) eye = OdGeVector3d::kZAxis;
  OdGeVector3d up = m_up;
  eye = Rotate(eye, OdGeVector3d::kZAxis, horizontalDegrees * kDegree);
  up = Rotate(up, OdGeVector3d::kZAxis, horizontalDegrees * kDegree);
  OdGeVector3d side = up.crossProduct(eye);
  if (!side.isZeroLength()) {
    side.normalize();
    const OdGeVector3d turned = Rotate(eye, side, -verticalDegrees * kDegree);
    // Keep away from looking straight along Z, where "up" loses its meaning.
    if (std::fabs(turned.normal().z) < 0.999) {
      eye = turned;
      up = Rotate(up, side, -verticalDegrees * kDegree);
    }
  }
  m_position = m_target + eye;
  m_up = up.normal();
  ++m_revision;
}

void OdGsView::zoom(double factor) {
  if (!Usable(factor)) return;
  if (m_perspective) { m_position = m_target + (m_position - m_target) / factor; }
  m_fieldWidth /= factor;
  m_fieldHeight /= factor;
  ++m_revision;
}

void OdGsView::zoomExtents(const OdGeExtents3d& extents) {
  if (!extents.isValidExtents()) return;
  const OdGePoint3d center = extents.center();
  const double radius = std::max(extents.minPoint().distanceTo(extents.maxPoint()) * 0.5, 1e-6);
  OdGeVector3d dir = m_position - m_target;
  if (dir.isZeroLength()) dir = OdGeVector3d::kZAxis;
  dir.normalize();
  const double aspect = m_fieldWidth / m_fieldHeight;
  const double size = 2.0 * radius * 1.05;
  m_fieldHeight = aspect >= 1.0 ? size : size / aspect;
  m_fieldWidth = m_fieldHeight * aspect;
  m_target = center;
  // Far enough that the whole box is in front of the eye, and in perspective
  // far enough for the lens to take it all in.
  const double distance = m_perspective ? radius * 1.1 * m_lens / 18.0 + radius : radius * 4.0;
  m_position = center + dir * distance;
  ++m_revision;
}

void OdGsView::camera(odrender::Camera& camera) const {
  camera.position = m_position;
  camera.target = m_target;
  camera.up = m_up;
  camera.fieldWidth = m_fieldWidth;
  camera.fieldHeight = m_fieldHeight;
  camera.perspective = m_perspective;
  camera.lensLength = m_lens;
}

void OdGsView::setFromViewport(const OdDbViewportTableRecord& record) {
  OdGeVector3d dir = record.viewDirection();
  if (dir.isZeroLength() || !Finite(dir)) dir = OdGeVector3d::kZAxis;
  const double distance = dir.length();
  const OdGeVector3d z = dir.normal();
  // The view plane's axes: the drawing format's arbitrary-axis rule, turned
  // by the twist.
  const OdGeVector3d x0 = z.perpVector();
  const OdGeVector3d y0 = z.crossProduct(x0);
  const double twist = record.viewTwist();
  const OdGeVector3d x = x0 * std::cos(twist) + y0 * std::sin(twist);
  const OdGeVector3d y = z.crossProduct(x);
  const OdGePoint2d c = record.centerPoint();
  const OdGePoint3d target = record.target() + x * c.x + y * c.y;
  const double height = Usable(record.height()) ? record.height() : 10.0;
  const double width = Usable(record.width()) ? record.width() : height;
  if (Usable(record.lensLength())) m_lens = record.lensLength();
  const double eyeDistance = record.isPerspectiveEnabled() ? distance : std::max(distance, height);
  setView(target + z * eyeDistance, target, y, width, height, record.isPerspectiveEnabled() ? kPerspective : kParallel);
}

void OdGsView::copyToViewport(OdDbViewportTableRecord& record) const {
  OdGeVector3d dir = m_position - m_target;
  if (dir.isZeroLength()) dir = OdGeVector3d::kZAxis;
  const OdGeVector3d z = dir.normal();
  const OdGeVector3d x0 = z.perpVector();
  const OdGeVector3d y0 = z.crossProduct(x0);
  // The twist that turns the default vertical onto this view's up vector.
  OdGeVector3d up = m_up - z * m_up.dotProduct(z);
  double twist = 0.0;
  if (!up.isZeroLength()) {
    up.normalize();
    twist = std::atan2(-up.dotProduct(x0), up.dotProduct(y0));
  }
  record.setTarget(m_target);
  record.setCenterPoint(OdGePoint2d(0, 0));
  record.setViewDirection(dir);
  record.setViewTwist(twist);
  record.setHeight(m_fieldHeight);
  record.setWidth(m_fieldWidth);
  record.setLensLength(m_lens);
  record.setPerspectiveEnabled(m_perspective);
}

// ---- device ----------------------------------------------------------------------------

namespace {
OdGsDevice::SnapShotImageFactory g_snapShotImageFactory = nullptr;
OdGsDevice::SnapShotImageReuse g_snapShotImageReuse = nullptr;
}  // namespace

OdGsDevice::OdGsDevice()
    : m_scene(std::make_unique<odrender::Scene>()),
      m_renderer(std::make_unique<odrender::SoftwareRenderer>()),
      m_snapshotFrame(std::make_unique<odrender::Frame>()) {}

OdGsDevice::~OdGsDevice() {
  for (auto& view : m_views) view->setDevice(nullptr);
}

OdSmartPtr<OdGsDevice> OdGsDevice::createObject(OdDbDatabase* database) {
  OdSmartPtr<OdGsDevice> device(OdRxObjectImpl<OdGsDevice>::createObject(), kOdRxObjAttach);
  device->m_database = database;
  device->m_properties = OdRxDictionary::createObject();
  OdSmartPtr<OdRxVariant> flags(OdRxObjectImpl<OdRxVariant>::createObject(), kOdRxObjAttach);
  flags->setUInt32(0);
  device->m_properties->putAt(u"SnapShotFlags", flags.get());
  OdGsViewPtr view(OdRxObjectImpl<OdGsView>::createObject(), kOdRxObjAttach);
  view->setDevice(device.get());
  device->m_views.push_back(view);
  return device;
}

void OdGsDevice::setDatabase(OdDbDatabase* database) {
  m_database = database;
  m_sceneRevision = ~0ull;
}

OdGsView* OdGsDevice::viewAt(int index) const {
  return index >= 0 && index < numViews() ? m_views[static_cast<std::size_t>(index)].get() : nullptr;
}

void OdGsDevice::getSize(OdGsDCRect& rect) const {
  rect.m_min = {0, 0};
  rect.m_max = {m_width, m_height};
}

void OdGsDevice::onSize(const OdGsDCRect& rect) {
  m_width = std::clamp(rect.width(), 1L, 16384L);
  m_height = std::clamp(rect.height(), 1L, 16384L);
}

const odrender::Scene& OdGsDevice::scene() {
  const unsigned long long revision = m_database != nullptr ? m_database->drawRevision() : 0;
  if (revision == m_sceneRevision) return *m_scene;
  m_scene->clear();
  if (m_database != nullptr) {
    const OdGeExtents3d extents = m_database->modelSpaceExtents();
    const double size = extents.isValidExtents() ? extents.minPoint().distanceTo(extents.maxPoint()) : 1.0;
    const double tolerance = std::max(size * 2e-4, 1e-9);
    for (const auto& id : m_database->modelSpaceIds()) {
      OdDbObjectPtr object = id.openObject(OdDb::kForRead);
      auto* entity = OdDbEntity::cast(object.get());
      if (entity != nullptr && entity->visibility() == OdDb::kVisible) entity->worldDraw(*m_scene, tolerance);
    }
  }
  m_sceneRevision = revision;
  return *m_scene;
}

void OdGsDevice::render(odrender::Frame& frame) {
  odrender::Camera camera;
  m_views.front()->camera(camera);
  m_renderer->render(scene(), camera, static_cast<int>(m_width), static_cast<int>(m_height), m_background, frame);
}

void OdGsDevice::render(const OdGsView& view, int width, int height, odrender::Frame& frame) {
  odrender::Camera camera;
  view.camera(camera);
  m_renderer->render(scene(), camera, width, height, m_background, frame);
}

void OdGsDevice::getSnapShot(OdGiRasterImagePtr& image, const OdGsDCRect& region) {
  long width = region.width(), height = region.height();
  if (width < 1 || height < 1) {
    width = m_width;
    height = m_height;
  }
  width = std::min(width, 16384L);
  height = std::min(height, 16384L);
  odrender::Camera camera;
  m_views.front()->camera(camera);
  odrender::Frame& frame = *m_snapshotFrame;
  OdUInt32* top = nullptr;
  std::ptrdiff_t step = 0;
  if (!image.isNull() && g_snapShotImageReuse != nullptr &&
      g_snapShotImageReuse(image.get(), static_cast<OdUInt32>(width), static_cast<OdUInt32>(height), &top, &step) &&
      top != nullptr) {
    // Drawn again into the image the caller holds.
    frame.target = top;
    frame.targetStep = step;
    m_renderer->render(scene(), camera, static_cast<int>(width), static_cast<int>(height), m_background, frame);
    frame.target = nullptr;
    frame.targetStep = 0;
    return;
  }
  if (g_snapShotImageFactory != nullptr) {
    // Drawn straight into the application's image: no copy.
    OdUInt32* pixels = nullptr;
    image = g_snapShotImageFactory(static_cast<OdUInt32>(width), static_cast<OdUInt32>(height), &pixels);
    if (image.isNull() || pixels == nullptr) {
      image.release();
      return;
    }
    frame.target = pixels;
    m_renderer->render(scene(), camera, static_cast<int>(width), static_cast<int>(height), m_background, frame);
    frame.target = nullptr;
    return;
  }
  m_renderer->render(scene(), camera, static_cast<int>(width), static_cast<int>(height), m_background, frame);
  image = OdGiRasterImagePtr(OdGiRasterImageBGRA::createObject(static_cast<OdUInt32>(width),
                                                               static_cast<OdUInt32>(height), std::move(frame.pixels))
                                 .get());
  frame.pixels.clear();
}

void OdGsDevice::setSnapShotImageFactory(SnapShotImageFactory factory, SnapShotImageReuse reuse) {
  g_snapShotImageFactory = factory;
  g_snapShotImageReuse = factory != nullptr ? reuse : nullptr;
}
