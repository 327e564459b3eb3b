// The PLY and XYZ readers: every encoding, optional normals and colours, and
// files that are malformed, truncated or announce more than they hold.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
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

template <class T>
void Put(std::string& out, T value, bool bigEndian) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (bigEndian != (std::endian::native == std::endian::big)) std::reverse(bytes, bytes + sizeof(T));
  out.append(bytes, sizeof(T));
}

// A PLY file of kVertices in format ("ascii", "binary_little_endian" or
// "binary_big_endian"), with or without normals and colours.
std::string MakePly(const std::string& format, bool normals, bool colors, std::size_t count = kVertices.size(),
                    const std::string& before = {}) {
  std::string out = "ply\r\nformat " + format + " 1.0\ncomment made by the test\n" + before +
                    "element vertex " + std::to_string(count) + "\nproperty float x\nproperty float y\nproperty float z\n";
  if (normals) out += "property float nx\nproperty float ny\nproperty float nz\n";
  if (colors) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
  out += "element face 0\nproperty list uchar int vertex_indices\nend_header\n";
  const bool ascii = format == "ascii";
  const bool big = format == "binary_big_endian";
  for (const Vertex& v : kVertices) {
    if (ascii) {
      out += std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z);
      if (normals) out += " " + std::to_string(v.nx) + " " + std::to_string(v.ny) + " " + std::to_string(v.nz);
      if (colors) out += " " + std::to_string(v.r) + " " + std::to_string(v.g) + " " + std::to_string(v.b);
      out += "\n";
      continue;
    }
    Put(out, v.x, big);
    Put(out, v.y, big);
    Put(out, v.z, big);
    if (normals) {
      Put(out, v.nx, big);
      Put(out, v.ny, big);
      Put(out, v.nz, big);
    }
    if (colors) {
      out += static_cast<char>(v.r);
      out += static_cast<char>(v.g);
      out += static_cast<char>(v.b);
    }
  }
  return out;
}

void ExpectVertices(const PointCloudData& cloud, bool normals, bool colors) {
  ASSERT_EQ(cloud.size(), kVertices.size());
  EXPECT_EQ(cloud.hasNormals(), normals);
  EXPECT_EQ(cloud.hasColors(), colors);
  for (std::size_t i = 0; i < kVertices.size(); ++i) {
    const Vertex& v = kVertices[i];
    EXPECT_FLOAT_EQ(cloud.xyz[3 * i], v.x) << i;
    EXPECT_FLOAT_EQ(cloud.xyz[3 * i + 1], v.y) << i;
    EXPECT_FLOAT_EQ(cloud.xyz[3 * i + 2], v.z) << i;
    if (normals) {
      EXPECT_FLOAT_EQ(cloud.normals[3 * i], v.nx);
      EXPECT_FLOAT_EQ(cloud.normals[3 * i + 1], v.ny);
      EXPECT_FLOAT_EQ(cloud.normals[3 * i + 2], v.nz);
    }
    if (colors) {
      EXPECT_EQ(cloud.colors[i], (std::uint32_t{v.r} << 16) | (std::uint32_t{v.g} << 8) | v.b) << i;
    }
  }
}

bool ReadPly(const std::string& bytes, PointCloudData& cloud, std::string& error) {
  return host::ReadPlyCloud(bytes.data(), bytes.size(), cloud, error);
}

bool ReadXyz(const std::string& bytes, PointCloudData& cloud, std::string& error) {
  return host::ReadXyzCloud(bytes.data(), bytes.size(), cloud, error);
}

class PlyEncodings : public ::testing::TestWithParam<std::string> {};

TEST_P(PlyEncodings, ReadsPositionsAloneAndWithNormalsAndColours) {
  for (int variant = 0; variant < 4; ++variant) {
    const bool normals = (variant & 1) != 0, colors = (variant & 2) != 0;
    PointCloudData cloud;
    std::string error;
    ASSERT_TRUE(ReadPly(MakePly(GetParam(), normals, colors), cloud, error)) << error;
    ExpectVertices(cloud, normals, colors);
  }
}

TEST_P(PlyEncodings, TruncatedBodyLoadsNothing) {
  const std::string whole = MakePly(GetParam(), true, true);
  // Cut inside the last point.
  const std::string cut = whole.substr(0, whole.size() - 5);
  PointCloudData cloud;
  std::string error;
  EXPECT_FALSE(ReadPly(cut, cloud, error));
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
  EXPECT_EQ(cloud.size(), 0u);
  EXPECT_TRUE(cloud.normals.empty());
}

TEST_P(PlyEncodings, CountLargerThanTheFileIsRefusedBeforeAllocating) {
  PointCloudData cloud;
  std::string error;
  EXPECT_FALSE(ReadPly(MakePly(GetParam(), false, false, 50'000'000), cloud, error));
  EXPECT_NE(error.find("50000000"), std::string::npos) << error;
  EXPECT_FALSE(ReadPly(MakePly(GetParam(), false, false, 18446744073709551615ull), cloud, error));
  EXPECT_NE(error.find("more than"), std::string::npos) << error;
  EXPECT_EQ(cloud.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ply, PlyEncodings,
                         ::testing::Values("ascii", "binary_little_endian", "binary_big_endian"));

TEST(PlyReader, SkipsElementsBeforeTheVertices) {
  // A binary element with a list before the vertices must be stepped over
  // record by record.
  std::string header = "ply\nformat binary_little_endian 1.0\nelement meta 2\nproperty list uchar int ids\n"
                       "element vertex 1\nproperty double x\nproperty double y\nproperty double z\n"
                       "property float intensity\nend_header\n";
  std::string body;
  body += static_cast<char>(2);
  Put(body, std::int32_t{7}, false);
  Put(body, std::int32_t{8}, false);
  body += static_cast<char>(0);
  Put(body, 1.0, false);
  Put(body, 2.0, false);
  Put(body, 3.0, false);
  Put(body, 0.5f, false);
  PointCloudData cloud;
  std::string error;
  ASSERT_TRUE(ReadPly(header + body, cloud, error)) << error;
  ASSERT_EQ(cloud.size(), 1u);
  EXPECT_FLOAT_EQ(cloud.xyz[2], 3.0f);
  // The same file cut inside the list gives a message about that element.
  EXPECT_FALSE(ReadPly(header + body.substr(0, 4), cloud, error));
  EXPECT_NE(error.find("meta"), std::string::npos) << error;
  // Records of no bytes are passed over at once whatever their count (one
  // at a time this took years); a count the rest of the file cannot hold is
  // refused before any record is stepped over.
  const struct {
    const char* before;
    bool opens;
  } kHugeCounts[] = {
      {"element meta 44444444444444444\n", true},
      {"element meta 18446744073709551615\nproperty uchar a\n", false},
      {"element meta 4444444444444\nproperty list uchar int ids\n", false},
  };
  for (const auto& c : kHugeCounts) {
    for (const char* format : {"binary_little_endian", "binary_big_endian"}) {
      const bool ok = ReadPly(MakePly(format, false, false, kVertices.size(), c.before), cloud, error);
      EXPECT_EQ(ok, c.opens) << c.before << format << error;
      if (c.opens) ExpectVertices(cloud, false, false);
      else EXPECT_NE(error.find("truncated in its meta element"), std::string::npos) << error;
    }
  }
}

TEST(PlyReader, ColourTypesAreScaledTo8Bits) {
  const std::string ply =
      "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
      "property float red\nproperty float green\nproperty float blue\nend_header\n0 0 0 1 0.5 0\n1 1 1 2 -1 0.2\n";
  PointCloudData cloud;
  std::string error;
  ASSERT_TRUE(ReadPly(ply, cloud, error)) << error;
  EXPECT_EQ(cloud.colors[0], 0xFF8000u);
  EXPECT_EQ(cloud.colors[1], 0xFF0033u);  // out of range clamped
}

TEST(PlyReader, MalformedFilesGiveOneMessage) {
  const std::string xyz = "property float x\nproperty float y\nproperty float z\n";
  const struct {
    std::string bytes;
    const char* expected;
  } cases[] = {
      {"", "not a PLY file"},
      {"PLY\nformat ascii 1.0\n", "not a PLY file"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz, "before \"end_header\""},
      {"ply\nformat ascii 2.0\nelement vertex 1\n" + xyz + "end_header\n0 0 0\n", "format line"},
      {"ply\nformat utf8 1.0\nend_header\n", "unknown PLY format"},
      {"ply\nelement vertex 1\n" + xyz + "end_header\n0 0 0\n", "no format line"},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n0 0\n", "no x, y and z"},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty half x\nend_header\n", "bad property line"},
      {"ply\nformat ascii 1.0\nproperty float x\nend_header\n", "before any element"},
      {"ply\nformat ascii 1.0\nelement vertex -3\n" + xyz + "end_header\n", "bad element line"},
      {"ply\nformat ascii 1.0\nelement face 1\nend_header\n\n", "no vertex element"},
      {"ply\nformat ascii 1.0\nelement vertex 0\n" + xyz + "end_header\n", "no points"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "end_header\n1 2 banana\n", "not a number"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "end_header\n1 2 3 4\n", "too many values"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "end_header\n1 2 nan\n", "not a finite number"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "end_header\n1 -1e300 0\n", "in single precision"},
      {"ply\nformat ascii 1.0\nelement vertex 1\n" + xyz + "wibble\nend_header\n1 2 3\n", "unknown PLY header line"},
  };
  for (const auto& c : cases) {
    PointCloudData cloud;
    std::string error;
    EXPECT_FALSE(ReadPly(c.bytes, cloud, error)) << c.expected;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "expected \"" << c.expected << "\", got \"" << error << "\"";
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(cloud.size(), 0u);
  }
}

TEST(XyzReader, ThreeSixAndNineColumns) {
  PointCloudData cloud;
  std::string error;
  ASSERT_TRUE(ReadXyz("# a comment\n1 2 3\n\n4.5,5,6\r\n-7\t8e1 9\n", cloud, error)) << error;
  ASSERT_EQ(cloud.size(), 3u);
  EXPECT_FALSE(cloud.hasNormals());
  EXPECT_FALSE(cloud.hasColors());
  EXPECT_FLOAT_EQ(cloud.xyz[3], 4.5f);
  EXPECT_FLOAT_EQ(cloud.xyz[7], 80.0f);

  ASSERT_TRUE(ReadXyz("0 0 0 0 0 1\n1 1 1 1 0 0\n", cloud, error)) << error;
  ASSERT_TRUE(cloud.hasNormals());
  EXPECT_FLOAT_EQ(cloud.normals[2], 1.0f);
  EXPECT_FLOAT_EQ(cloud.normals[3], 1.0f);

  ASSERT_TRUE(ReadXyz("0 0 0 0 0 1 255 128 0\n", cloud, error)) << error;
  ASSERT_TRUE(cloud.hasColors());
  EXPECT_EQ(cloud.colors[0], 0xFF8000u);
}

TEST(XyzReader, BadFilesLoadNothing) {
  const struct {
    std::string bytes;
    const char* expected;
  } cases[] = {
      {"", "no points"},
      {"# only a comment\n", "no points"},
      {"1 2\n", "has 2 values"},
      {"1 2 3\n4 5 6\n7 8\n", "line 3 has 2 values"},  // a file cut inside its last line
      {"1 2 3\n4 five 6\n", "line 2 holds text"},
      {"1 2 inf\n", "not a finite number"},
      {"1 2 1e39\n", "not a finite number in single precision"},
  };
  for (const auto& c : cases) {
    PointCloudData cloud;
    std::string error;
    EXPECT_FALSE(ReadXyz(c.bytes, cloud, error)) << c.expected;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "expected \"" << c.expected << "\", got \"" << error << "\"";
    EXPECT_EQ(cloud.size(), 0u);
  }
}

TEST(CloudFiles, ChoosesTheReaderByExtensionAndReportsMissingFiles) {
  const auto dir = std::filesystem::temp_directory_path() / ("cloud_reader_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream(dir / "a.PLY", std::ios::binary) << MakePly("binary_little_endian", true, false);
    std::ofstream(dir / "b.xyz") << "1 2 3\n";
  }
  PointCloudData cloud;
  std::string error;
  EXPECT_TRUE(host::ReadPointCloudFile((dir / "a.PLY").string(), cloud, error)) << error;
  ExpectVertices(cloud, true, false);
  EXPECT_TRUE(host::ReadPointCloudFile((dir / "b.xyz").string(), cloud, error)) << error;
  EXPECT_EQ(cloud.size(), 1u);
  EXPECT_FALSE(host::ReadPointCloudFile((dir / "missing.ply").string(), cloud, error));
  EXPECT_EQ(error, "no such file");
  std::ofstream(dir / "empty.ply").close();
  EXPECT_FALSE(host::ReadPointCloudFile((dir / "empty.ply").string(), cloud, error));
  EXPECT_EQ(error, "not a PLY file (the file is empty)");
  EXPECT_FALSE(host::ReadPointCloudFile((dir / "b.dxf").string(), cloud, error));
  EXPECT_FALSE(host::IsPointCloudFile("scene.dxf"));
  EXPECT_TRUE(host::IsPointCloudFile("dir.v2/Cloud.Ply"));
  EXPECT_FALSE(host::IsPointCloudFile("dir.ply/cloud"));
  std::filesystem::remove_all(dir);
}

}  // namespace
