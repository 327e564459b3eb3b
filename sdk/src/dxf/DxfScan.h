// The first pass over a DXF file: checks that it is a well-formed sequence
// of group codes and values up to "EOF", collects the viewport records and
// what dxflib does not hand over (handles, colours, extrusions), and writes
// the supported model-space entities out as a clean DXF text for dxflib.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sdk/OdGe.h"

namespace oddxf {

struct EntityInfo {
  std::string type;           // LINE, ARC, CIRCLE, LWPOLYLINE, POLYLINE, SPLINE
  std::string handle;         // hex, may be empty
  int line = 0;               // where it starts in the file
  OdUInt32 color = 0xFFFFFF;  // 0x00RRGGBB
  bool invisible = false;
  OdGeVector3d extrusion = OdGeVector3d::kZAxis;
  double elevation = 0.0;  // LWPOLYLINE code 38, POLYLINE code 30
  int flags = 0;           // code 70
};

struct ViewportInfo {
  std::string name;
  std::string handle;
  OdGePoint2d lowerLeft{0, 0}, upperRight{1, 1}, center{0, 0};
  OdGeVector3d direction = OdGeVector3d::kZAxis;
  OdGePoint3d target;
  double height = 10.0, aspect = 1.0, lens = 50.0, twist = 0.0;
  int viewMode = 0;
};

struct ScanResult {
  std::vector<EntityInfo> entities;  // in the order dxflib reports them
  std::vector<ViewportInfo> viewports;
  std::string cleanText;  // the entities section for dxflib
};

// False with message ("line N: ...") when the text is not a DXF file that
// can be read.
bool ScanDxf(const char* data, std::size_t size, ScanResult& result, std::string& message);

}  // namespace oddxf
