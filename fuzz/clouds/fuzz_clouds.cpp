// Fuzz target for the point-cloud readers: any bytes, read as PLY and as XYZ
// text, must give either a whole cloud or one message and an empty cloud,
// never a crash, a hang or a leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/PointCloudReader.h"

namespace {
void Check(bool ok, const host::PointCloudData& cloud, const std::string& error) {
  if (!ok) {
    if (cloud.size() != 0 || !cloud.normals.empty() || !cloud.colors.empty() || error.empty() ||
        error.find('\n') != std::string::npos)
      std::abort();
    return;
  }
  if (cloud.size() == 0 || cloud.xyz.size() % 3 != 0) std::abort();
  if (!cloud.normals.empty() && !cloud.hasNormals()) std::abort();
  if (!cloud.colors.empty() && !cloud.hasColors()) std::abort();
  for (float v : cloud.xyz)
    if (!std::isfinite(v)) std::abort();
  for (std::uint32_t c : cloud.colors)
    if (c > 0xFFFFFFu) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  host::PointCloudData cloud;
  std::string error;
  Check(host::ReadPlyCloud(text, size, cloud, error), cloud, error);
  Check(host::ReadXyzCloud(text, size, cloud, error), cloud, error);
  return 0;
}
