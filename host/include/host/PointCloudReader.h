// Reading point clouds from PLY files (ASCII, binary little- and big-endian)
// and from plain XYZ text. Plain C++ only, so the readers can be tested and
// fuzzed without an X server or Qt.
//
// Every reader either fills the cloud completely and returns true, or returns
// false with one line in error (no full stop) and leaves the cloud empty:
// nothing of a malformed, truncated or lying file is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/HostApi.h"

namespace host {

// Points of a cloud in world coordinates. normals and colors are either
// empty or hold one entry per point.
struct HOST_EXPORT PointCloudData {
  std::vector<float> xyz;             // x, y, z per point
  std::vector<float> normals;         // nx, ny, nz per point (unit length, or zero where unknown)
  std::vector<std::uint32_t> colors;  // 0x00RRGGBB per point

  std::size_t size() const { return xyz.size() / 3; }
  bool hasNormals() const { return !normals.empty() && normals.size() == xyz.size(); }
  bool hasColors() const { return !colors.empty() && colors.size() == size(); }
  // Empties the cloud and gives its memory back.
  void clear() {
    std::vector<float>().swap(xyz);
    std::vector<float>().swap(normals);
    std::vector<std::uint32_t>().swap(colors);
  }
};

// The largest cloud a file may announce. Above it a file is refused before
// anything is allocated.
constexpr std::uint64_t kMaxCloudPoints = 200'000'000;

// PLY: the "vertex" element gives the points; x, y and z are required (any
// numeric type), nx, ny and nz are taken together when all three are there,
// and red, green and blue (or r, g, b; 8-bit, 16-bit or 0..1 floating point)
// likewise. Other properties and elements are passed over.
HOST_EXPORT bool ReadPlyCloud(const char* data, std::size_t size, PointCloudData& cloud, std::string& error);

// XYZ text: one point per line, values separated by blanks, tabs or commas;
// empty lines and lines starting with '#' or '//' are skipped. Every point
// line has the same number of values:
//   3  x y z
//   6  x y z nx ny nz
//   9  x y z nx ny nz r g b   (colour components 0..255)
HOST_EXPORT bool ReadXyzCloud(const char* data, std::size_t size, PointCloudData& cloud, std::string& error);

// Reads the file at path (UTF-8), choosing the reader by the extension
// (.ply, or .xyz/.txt/.pts as XYZ text; case ignored).
HOST_EXPORT bool ReadPointCloudFile(const std::string& path, PointCloudData& cloud, std::string& error);

// True when path names a file that ReadPointCloudFile reads.
HOST_EXPORT bool IsPointCloudFile(const std::string& path);

}  // namespace host
