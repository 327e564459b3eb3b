// The PLY and XYZ readers: every encoding, optional normals and colours, and
// files that are malformed, truncated or announce more than they hold. (How
// pchost picks the reader by a file's name, and files missing or empty, are
// seen end to end in CloudCommandsE2ETest.)
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "host/PointCloudReader.h"

using host::PointCloudData;

namespace {

struct Vertex {
  float x, y, z, nx, ny, nz;
  unsigned char r, g, b;
};

const std::vector<Vertex> kVertices = {
    {1.5f, -2.0f, 3.25f, 0, 0, 1, 255, 0, 0},
    {-4.0f, 5.5f, 0.0f, 1, 0, 0, 0, 128, 0},
    {100.0f, 200.0f, -300.0f, 0, -1, 0, 10, 20, 30},
};
const char* const kFormats[] = {"ascii", "binary_little_endian", "binary_big_endian"};

template <class T>
void Put(std::string& out, T value, bool bigEndian) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (bigEndian != (std::endian::native == std::endian::big)) std::reverse(bytes, bytes + sizeof(T));
  out.append(bytes, sizeof(T));
}

template <class T>
void PutAs(std::string& out, double value, bool bigEndian) {
  Put(out, static_cast<T>(value), bigEndian);
}

// A PLY file of kVertices in format, with or without normals and colours,
// announcing count points, with header lines `before` the vertex element.
std::string MakePly(const std::string& format, bool normals, bool colors, std::uint64_t count = kVertices.size(),
                    const std::string& before = {}) {
  std::string out = "ply\r\nformat " + format + " 1.0\ncomment made by the test\n" + before + "element vertex " +
                    std::to_string(count) + "\nproperty float x\nproperty float y\nproperty float z\n";
  if (normals) out += "property float nx\nproperty float ny\nproperty float nz\n";
  if (colors) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
  out += "element face 0\nproperty list uchar int vertex_indices\nend_header\n";
  const bool big = format == "binary_big_endian";
  for (const Vertex& v : kVertices) {
    const float f[] = {v.x, v.y, v.z, v.nx, v.ny, v.nz};
    for (int k = 0; k < (normals ? 6 : 3); ++k) {
      if (format == "ascii") out += std::to_string(f[k]) + " ";
      else Put(out, f[k], big);
    }
    for (unsigned char c : {v.r, v.g, v.b}) {
      if (!colors) break;
      if (format == "ascii") out += std::to_string(c) + " ";
      else out += static_cast<char>(c);
    }
    if (format == "ascii") out += "\n";
  }
  return out;
}

void ExpectVertices(const PointCloudData& cloud, bool normals, bool colors) {
  ASSERT_EQ(cloud.size(), kVertices.size());
  EXPECT_EQ(cloud.hasNormals(), normals);
  EXPECT_EQ(cloud.hasColors(), colors);
  for (std::size_t i = 0; i < kVertices.size(); ++i) {
    const Vertex& v = kVertices[i];
    const float f[] = {v.x, v.y, v.z, v.nx, v.ny, v.nz};
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(cloud.xyz[3 * i + k], f[k]) << i;
    for (int k = 0; normals && k < 3; ++k) EXPECT_FLOAT_EQ(cloud.normals[3 * i + k], f[3 + k]) << i;
    if (colors) { EXPECT_EQ(cloud.colors[i], (std::uint32_t{v.r} << 16) | (std::uint32_t{v.g} << 8) | v.b) << i; }
  }
}

TEST(PlyReader, EveryEncodingWithAndWithoutNormalsAndColours) {
  for (const char* format : kFormats)
    for (int variant = 0; variant < 4; ++variant) {
      SCOPED_TRACE(std::string(format) + " variant " + std::to_string(variant));
      const bool normals = (variant & 1) != 0, colors = (variant & 2) != 0;
      const std::string bytes = MakePly(format, normals, colors);
      PointCloudData cloud;
      std::string error;
      ASSERT_TRUE(host::ReadPlyCloud(bytes.data(), bytes.size(), cloud, error)) << error;
      ExpectVertices(cloud, normals, colors);
    }
}

// Each property type in both byte orders, as the x coordinate: a value read
// in the wrong order or at the wrong width shows.
TEST(PlyReader, EveryPropertyTypeInBothByteOrders) {
  struct Type {
    const char* name;
    double value;  // its bytes reversed read as another value
    void (*put)(std::string&, double, bool);
  };
  const Type types[] = {{"char", -7, PutAs<std::int8_t>},
                        {"uchar", 200, PutAs<std::uint8_t>},
                        {"short", -1234, PutAs<std::int16_t>},
                        {"ushort", 51234, PutAs<std::uint16_t>},
                        {"int", -123456789, PutAs<std::int32_t>},
                        {"uint", 3123456789, PutAs<std::uint32_t>},
                        {"float", 1.5, PutAs<float>},
                        {"double", -2.25e9, PutAs<double>}};
  for (const bool big : {false, true})
    for (const Type& t : types) {
      SCOPED_TRACE(std::string(t.name) + (big ? " big" : " little") + "-endian");
      std::string bytes = std::string("ply\nformat binary_") + (big ? "big" : "little") +
                          "_endian 1.0\nelement vertex 1\n" + "property " + t.name +
                          " x\nproperty float y\nproperty float z\nend_header\n";
      t.put(bytes, t.value, big);
      Put(bytes, 2.0f, big);
      Put(bytes, -3.0f, big);
      PointCloudData cloud;
      std::string error;
      ASSERT_TRUE(host::ReadPlyCloud(bytes.data(), bytes.size(), cloud, error)) << error;
      ASSERT_EQ(cloud.size(), 1u);
      EXPECT_FLOAT_EQ(cloud.xyz[0], static_cast<float>(t.value));
      EXPECT_FLOAT_EQ(cloud.xyz[2], -3.0f);
    }
}

// One table for both readers: the bytes, whether they open, the message (or
// for a file that opens, the number of points) and the first coordinate or
// colour the reader must have taken.
TEST(CloudReaders, TableOfFilesAndOutcomes) {
  const std::string xyz = "property float x\nproperty float y\nproperty float z\n";
  const std::string ply = "ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "end_header\n";
  const std::string listPly =
      "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty list uchar int ids\n"
      "property float y\nproperty float z\nend_header\n";
  const std::string meta =
      "ply\nformat binary_little_endian 1.0\nelement meta 2\nproperty list uchar int ids\n"
      "element vertex 1\nproperty double x\nproperty double y\nproperty double z\n"
      "property float intensity\nend_header\n";
  std::string metaBody;
  metaBody += static_cast<char>(2);
  Put(metaBody, std::int32_t{7}, false);
  Put(metaBody, std::int32_t{8}, false);
  metaBody += static_cast<char>(0);
  for (double d : {1.0, 2.0, 3.0}) Put(metaBody, d, false);
  Put(metaBody, 0.5f, false);
  const std::string cut = MakePly("binary_big_endian", true, true);
  struct Case {
    bool isPly;
    std::string bytes;
    const char* expected;  // part of the message, or "" when the file opens
    std::size_t points = 0;
    float z0 = 0;              // the first point's z
    std::uint32_t color0 = 0;  // the first point's colour, when it has colours
    float nz0 = 0;             // the first point's normal's z, when it has normals
  };
  std::vector<Case> cases = {
      {true, "", "not a PLY file"},
      {true, "PLY\nformat ascii 1.0\n", "not a PLY file"},
      {true, "ply\nformat ascii 1.0\nelement vertex 1\n" + xyz, "before \"end_header\""},
      {true, "ply\nformat ascii 2.0\nelement vertex 1\n" + xyz + "end_header\n0 0 0\n", "format line"},
      {true, "ply\nformat utf8 1.0\nend_header\n", "unknown PLY format"},
      {true, "ply\nelement vertex 1\n" + xyz + "end_header\n0 0 0\n", "no format line"},
      {true, "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n0 0\n",
       "no x, y and z"},
      {true, "ply\nformat ascii 1.0\nelement vertex 1\nproperty half x\nend_header\n", "bad property line"},
      {true, "ply\nformat ascii 1.0\nproperty float x\nend_header\n", "before any element"},
      {true, "ply\nformat ascii 1.0\nelement vertex -3\n" + xyz + "end_header\n", "bad element line"},
      {true, "ply\nformat ascii 1.0\nelement face 1\nend_header\n\n", "no vertex element"},
      {true, "ply\nformat ascii 1.0\nelement vertex 0\n" + xyz + "end_header\n", "no points"},
      {true, ply + "1 2 banana\n", "not a number"},
      {true, ply + "1 2 3 4\n", "too many values"},
      {true, ply + "1 2 3 4 x\n", "not a number"},  // told before the count of values
      {true, ply + "1 2 \t  ", "its last line, 1, ends early"},
      {true, listPly + "1 2 7 8 2 3", "", 1, 3},  // a list in the vertices; no line end after the last value
      {true, listPly + "1 9 7 8 2 3\n", "bad list"},
      {true, ply + "1 2 nan\n", "not a finite number"},
      {true, ply + "1 -1e300 0\n", "in single precision"},
      {true, "ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "wibble\nend_header\n1 2 3\n",
       "unknown PLY header line"},
      {true, "ply\nformat ascii 1.0\nobj_info scanner\nelement vertex 1\n" + xyz + "end_header\n1 2 3\n", "", 1, 3},
      // Float colours are scaled to 8 bits and clamped.
      {true,
       "ply\nformat ascii 1.0\nelement vertex 2\n" + xyz +
           "property float red\nproperty float green\nproperty float blue\nend_header\n0 0 0 1 0.5 0\n1 1 1 2 -1 0.2\n",
       "", 2, 0, 0xFF8000},
      // An element with lists before the vertices is stepped over record by
      // record; cut inside it, the message names it.
      {true, meta + metaBody, "", 1, 3},
      {true, meta + metaBody.substr(0, 4), "truncated in its meta element"},
      {true, cut.substr(0, cut.size() - 5), "truncated"},
      // XYZ: 3, 6 and 9 columns, comments, blank lines, commas and tabs.
      {false, "# a comment\n1 2 3\n\n4.5,5,6\r\n-7\t8e1 9\n", "", 3, 3},
      {false, "// a comment\n0 0 1 0 0 1\n1 1 1 1 0 0\n", "", 2, 1, 0, 1},
      {false, "0 0 2 0 0 -1 255 128 0\n", "", 1, 2, 0xFF8000, -1},
      {false, "", "no points"},
      {false, "# only a comment\n", "no points"},
      {false, "1 2\n", "has 2 values"},
      {false, "1 2 3\n4 5 6\n7 8\n", "line 3 has 2 values"},  // cut inside its last line
      {false, "1 2 3\n4 five 6\n", "line 2 holds text"},
      {false, "1 2 +3 \t\n4 5 6x", "line 2 holds text"},
      {false, "1 2 inf\n", "not a finite number"},
      {false, "1 2 1e39\n", "not a finite number in single precision"},
  };
  for (const char* format : kFormats) {
    // A count the file cannot hold is refused before anything is allocated.
    cases.push_back({true, MakePly(format, false, false, 50'000'000), "cannot hold the 50000000 points"});
    cases.push_back({true, MakePly(format, false, false, 18446744073709551615ull), "more than"});
  }
  for (const char* format : {"binary_little_endian", "binary_big_endian"}) {
    // Records of no bytes are passed over at once whatever their count; a
    // count of records the rest of the file cannot hold is refused without
    // stepping over them.
    cases.push_back({true, MakePly(format, false, false, 3, "element meta 44444444444444444\n"), "", 3, 3.25f});
    cases.push_back({true, MakePly(format, false, false, 3, "element meta 18446744073709551615\nproperty uchar a\n"),
                     "truncated in its meta element"});
    cases.push_back({true,
                     MakePly(format, false, false, 3, "element meta 4444444444444\nproperty list uchar int ids\n"),
                     "truncated in its meta element"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE((c.isPly ? "PLY " : "XYZ ") + c.bytes.substr(0, 120));
    PointCloudData cloud;
    std::string error;
    const bool ok = c.isPly ? host::ReadPlyCloud(c.bytes.data(), c.bytes.size(), cloud, error)
                            : host::ReadXyzCloud(c.bytes.data(), c.bytes.size(), cloud, error);
    EXPECT_EQ(ok, *c.expected == '\0') << error;
    if (!ok) {
      EXPECT_NE(error.find(c.expected), std::string::npos)
          << "expected \"" << c.expected << "\", got \"" << error << "\"";
      EXPECT_EQ(error.find('\n'), std::string::npos);
      EXPECT_EQ(cloud.size(), 0u);
      EXPECT_TRUE(cloud.normals.empty());
      continue;
    }
    ASSERT_EQ(cloud.size(), c.points);
    EXPECT_FLOAT_EQ(cloud.xyz[2], c.z0);
    ASSERT_EQ(cloud.hasColors(), c.color0 != 0);
    ASSERT_EQ(cloud.hasNormals(), c.nz0 != 0);
    if (c.color0 != 0) { EXPECT_EQ(cloud.colors[0], c.color0); }
    if (c.nz0 != 0) { EXPECT_FLOAT_EQ(cloud.normals[2], c.nz0); }
  }
}

}  // namespace
