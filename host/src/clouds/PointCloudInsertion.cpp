#include <algorithm>
#include <cmath>

#include "host/XPC.h"

ODRX_DEFINE_MEMBERS(hostDbPointCloudInsertion, OdDbEntity)

namespace XPC {

ODRX_DEFINE_MEMBERS(InsertionPointCloudInfo, OdRxObject)
ODRX_DEFINE_MEMBERS(VisualizationParamsWrapper, OdRxObject)

namespace {
OdGeExtents3d ExtentsOf(const host::PointCloudData* data) {
  OdGeExtents3d extents;
  if (data == nullptr || data->size() == 0) return extents;
  float lo[3] = {data->xyz[0], data->xyz[1], data->xyz[2]};
  float hi[3] = {lo[0], lo[1], lo[2]};
  const float* p = data->xyz.data();
  const std::size_t n = data->size();
  for (std::size_t i = 0; i < n; ++i, p += 3) {
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  extents.set(OdGePoint3d(lo[0], lo[1], lo[2]), OdGePoint3d(hi[0], hi[1], hi[2]));
  return extents;
}
}  // namespace

OdSmartPtr<InsertionPointCloudInfo> InsertionPointCloudInfo::createObject(
    std::shared_ptr<const host::PointCloudData> data) {
  OdSmartPtr<InsertionPointCloudInfo> info(OdRxObjectImpl<InsertionPointCloudInfo>::createObject(), kOdRxObjAttach);
  info->m_extents = ExtentsOf(data.get());
  info->m_data = std::move(data);
  return info;
}

bool InsertionPointCloudInfo::isDataValid(OdUInt32 dataKinds) const {
  const host::PointCloudData* data = m_data.get();
  const bool any = data != nullptr && data->size() != 0;
  if ((dataKinds & kPositionData) != 0 && !any) return false;
  if ((dataKinds & kColorData) != 0 && !(any && data->hasColors())) return false;
  if ((dataKinds & kNormalData) != 0 && !(any && data->hasNormals())) return false;
  // Kinds this library does not know are never valid.
  return (dataKinds & ~static_cast<OdUInt32>(kPositionData | kColorData | kNormalData)) == 0;
}

OdSmartPtr<VisualizationParamsWrapper> VisualizationParamsWrapper::createObject(hostDbPointCloudInsertion* cloud,
                                                                                const VisualizationParams& params) {
  OdSmartPtr<VisualizationParamsWrapper> set(OdRxObjectImpl<VisualizationParamsWrapper>::createObject(),
                                             kOdRxObjAttach);
  set->m_cloud = cloud;
  set->m_params = params;
  return set;
}

void VisualizationParamsWrapper::setColoringParams(const ColoringByNormals& coloring) {
  m_params.coloring = VisualizationParams::kByNormals;
  m_params.normals = coloring;
}

void VisualizationParamsWrapper::setColoringParams(const ColoringByOwnColors&) {
  m_params.coloring = VisualizationParams::kOwnColors;
}

OdSmartPtr<InsertionPointCloudInfo> VisualizationParamsWrapper::getCloudInfo() const {
  return m_cloud ? m_cloud->getCloudInfo() : OdSmartPtr<InsertionPointCloudInfo>();
}

}  // namespace XPC

namespace {
struct CloudClassLoader {
  CloudClassLoader() { odrxRegisterClass(hostDbPointCloudInsertion::desc()); }
} g_cloudClassLoader;

constexpr OdGiRgb kUnknownNormalColor = 0x808080;
}  // namespace

hostDbPointCloudInsertionPtr hostDbPointCloudInsertion::createObject() {
  return odrxCreateLoaded<hostDbPointCloudInsertion>();
}

void hostDbPointCloudInsertion::setPoints(std::shared_ptr<const host::PointCloudData> data) {
  m_extents = XPC::ExtentsOf(data.get());
  m_data = std::move(data);
  m_normalColorsValid = false;
  m_normalColors.clear();
  modified();
}

XPC::InsertionPointCloudInfoPtr hostDbPointCloudInsertion::getCloudInfo() const {
  return XPC::InsertionPointCloudInfo::createObject(m_data);
}

XPC::VisualizationParamsWrapperPtr hostDbPointCloudInsertion::createVisualizationParamsSet() {
  return XPC::VisualizationParamsWrapper::createObject(this, XPC::VisualizationParams());
}

XPC::VisualizationParamsWrapperPtr hostDbPointCloudInsertion::createVisualizationParamsSetFrom(
    const OdDbHandle& viewport) {
  return XPC::VisualizationParamsWrapper::createObject(this, paramsOf(viewport));
}

bool hostDbPointCloudInsertion::setVisualizationParamsSetToViewport(const XPC::VisualizationParamsWrapper* params,
                                                                    const OdDbHandle& viewport) {
  if (params == nullptr) return false;
  XPC::VisualizationParams& slot = m_viewportParams[viewport.value()];
  if (slot == params->params()) return true;
  slot = params->params();
  modified();
  return true;
}

XPC::VisualizationParams hostDbPointCloudInsertion::paramsOf(const OdDbHandle& viewport) const {
  auto it = m_viewportParams.find(viewport.value());
  return it == m_viewportParams.end() ? XPC::VisualizationParams() : it->second;
}

OdGiRgb hostDbPointCloudInsertion::normalColor(float nx, float ny, float nz, const XPC::ColoringByNormals& coloring) {
  if (nx == 0.0f && ny == 0.0f && nz == 0.0f) return kUnknownNormalColor;
  const auto level = [&](float c) -> OdGiRgb {
    const double v = coloring.absolute ? std::fabs(c) : (c + 1.0) * 0.5;
    const double scaled = std::clamp(v, 0.0, 1.0) * 255.0;
    return static_cast<OdGiRgb>(std::lround(scaled));
  };
  if (coloring.component >= 1 && coloring.component <= 3) {
    const OdGiRgb g = level(coloring.component == 1 ? nx : coloring.component == 2 ? ny : nz);
    return (g << 16) | (g << 8) | g;
  }
  return (level(nx) << 16) | (level(ny) << 8) | level(nz);
}

void hostDbPointCloudInsertion::worldDraw(OdGiDrawSink& sink, double) const {
  if (!m_data || m_data->size() == 0) return;
  OdDbHandle viewport;
  if (OdDbDatabase* db = database()) viewport = db->activeViewportId().getHandle();
  const XPC::VisualizationParams params = paramsOf(viewport);
  const std::size_t n = m_data->size();
  const OdGiRgb* colors = m_data->hasColors() ? m_data->colors.data() : nullptr;
  if (params.coloring == XPC::VisualizationParams::kByNormals && m_data->hasNormals()) {
    const bool same = m_normalColorsValid && m_normalColorsFor.component == params.normals.component &&
                      m_normalColorsFor.absolute == params.normals.absolute;
    if (!same) {
      m_normalColors.resize(n);
      const float* nv = m_data->normals.data();
      for (std::size_t i = 0; i < n; ++i, nv += 3) m_normalColors[i] = normalColor(nv[0], nv[1], nv[2], params.normals);
      m_normalColorsFor = params.normals;
      m_normalColorsValid = true;
    }
    colors = m_normalColors.data();
  }
  sink.points(m_data->xyz.data(), colors, n, color(), params.pointSize);
}

OdGeExtents3d hostDbPointCloudInsertion::geomExtents() const { return m_extents; }

void hostDbPointCloudInsertion::copyFrom(const OdRxObject* source) {
  OdDbEntity::copyFrom(source);
  const auto* other = static_cast<const hostDbPointCloudInsertion*>(source);
  m_data = other->m_data;
  m_extents = other->m_extents;
  m_name = other->m_name;
  m_viewportParams = other->m_viewportParams;
  m_normalColorsValid = false;
  m_normalColors.clear();
}
