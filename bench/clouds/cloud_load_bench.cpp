// Loading point clouds, each against a plain peer on the same bytes, in the
// same run:
//   - a 5-million-point binary PLY file (positions, normals and colours)
//     against reading its bytes sequentially (goal: within 3x);
//   - the same kind of cloud, 2 million points, as ASCII PLY and as XYZ text,
//     against reading the bytes and parsing every value after the header
//     with a bare std::from_chars loop into floats (no checks, no lines).
// Ours and the peer alternate over five rounds; the ratio of the medians is
// printed for each file.
//
// usage: bench_cloud_load [FOLDER]   (default: the system's temporary folder)
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "host/PointCloudReader.h"

namespace {

constexpr std::size_t kBinaryPoints = 5'000'000;
constexpr std::size_t kTextPoints = 2'000'000;

const char* const kProperties =
    "property float x\nproperty float y\nproperty float z\nproperty float nx\nproperty float ny\n"
    "property float nz\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";

enum class Kind { kBinary, kAsciiPly, kXyz };

// Random positions in -100..100, unit normals along z, colours from the
// point's index; text as a scanner exports it (six decimals).
bool WriteCloud(const std::string& path, Kind kind, std::size_t points) {
  std::ofstream out(path, std::ios::binary);
  if (kind != Kind::kXyz) {
    out << "ply\nformat " << (kind == Kind::kBinary ? "binary_little_endian" : "ascii") << " 1.0\nelement vertex "
        << points << "\n"
        << kProperties;
  }
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  std::vector<char> block;
  for (std::size_t i = 0; i < points; ++i) {
    const float v[6] = {coordinate(random), coordinate(random), coordinate(random), 0.0f, 0.0f, 1.0f};
    const unsigned char c[3] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i >> 8),
                                static_cast<unsigned char>(i >> 16)};
    if (kind == Kind::kBinary) {
      block.insert(block.end(), reinterpret_cast<const char*>(v), reinterpret_cast<const char*>(v + 6));
      block.insert(block.end(), c, c + 3);
    } else {
      char line[160];
      char* p = line;
      for (float f : v) {
        p = std::to_chars(p, line + sizeof line, f, std::chars_format::fixed, 6).ptr;
        *p++ = ' ';
      }
      for (unsigned char k : c) {
        p = std::to_chars(p, line + sizeof line, static_cast<int>(k)).ptr;
        *p++ = ' ';
      }
      p[-1] = '\n';
      block.insert(block.end(), line, p);
    }
    if (block.size() > (1 << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  return static_cast<bool>(out);
}

std::vector<char> ReadBytes(const std::string& path) {
  std::vector<char> bytes(std::filesystem::file_size(path));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

// Where the values start: after a PLY header, or at the start of XYZ text.
const char* Body(const std::vector<char>& bytes) {
  const char* const end = bytes.data() + bytes.size();
  const char* header = std::search(bytes.data(), end, "end_header\n", "end_header\n" + 11);
  return header != end ? header + 11 : bytes.data();
}

// The peer of the binary file: its bytes read front to back into memory,
// touched once so the work cannot be skipped; returns the number of points.
std::size_t PlainRead(const std::string& path) {
  const std::vector<char> bytes = ReadBytes(path);
  static volatile std::size_t sum;
  for (std::size_t i = 0; i < bytes.size(); i += 4096) sum = sum + static_cast<unsigned char>(bytes[i]);
  return static_cast<std::size_t>(bytes.data() + bytes.size() - Body(bytes)) / 27;
}

// The peer of the text files: the bytes read, then every value after the
// header parsed into a float; returns the number of points.
std::size_t PlainParse(const std::string& path) {
  const std::vector<char> bytes = ReadBytes(path);
  const char* p = Body(bytes);
  const char* const end = bytes.data() + bytes.size();
  std::vector<float> values;
  values.reserve(kTextPoints * 9);
  while (p < end) {
    if (*p == ' ' || *p == '\n' || *p == '\t' || *p == '\r') {
      ++p;
      continue;
    }
    float v;
    const auto result = std::from_chars(p, end, v);
    if (result.ec != std::errc()) return 0;
    values.push_back(v);
    p = result.ptr;
  }
  return values.size() / 9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Five rounds of the peer then ours on one file; false when either fails.
bool Compare(const std::string& path, Kind kind, std::size_t points, const char* ours, const char* peer,
             std::size_t (*runPeer)(const std::string&)) {
  std::printf("Writing %zu points to %s ...\n", points, path.c_str());
  if (!WriteCloud(path, kind, points)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::filesystem::remove(path);
    return false;
  }
  std::printf("File size: %.1f MiB\n", std::filesystem::file_size(path) / 1048576.0);
  using Clock = std::chrono::steady_clock;
  std::vector<double> peerTimes, ourTimes;
  PlainRead(path);  // both start from a warm page cache
  for (int round = 0; round < 5; ++round) {
    auto t0 = Clock::now();
    const std::size_t peerPoints = runPeer(path);
    auto t1 = Clock::now();
    host::PointCloudData cloud;
    std::string error;
    const bool ok = host::ReadPointCloudFile(path, cloud, error);
    auto t2 = Clock::now();
    if (peerPoints != points || !ok || cloud.size() != points) {
      std::fprintf(stderr, "round %d failed: %s (peer: %zu points)\n", round, error.c_str(), peerPoints);
      std::filesystem::remove(path);
      return false;
    }
    peerTimes.push_back(std::chrono::duration<double>(t1 - t0).count());
    ourTimes.push_back(std::chrono::duration<double>(t2 - t1).count());
    std::printf("round %d: %s %.3f s, %s %.3f s\n", round + 1, peer, peerTimes.back(), ours, ourTimes.back());
  }
  std::filesystem::remove(path);
  std::printf("Median %s %.3f s, median %s %.3f s\n", peer, Median(peerTimes), ours, Median(ourTimes));
  std::printf("Ratio %s / %s: %.2f\n\n", ours, peer, Median(ourTimes) / Median(peerTimes));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  const bool ok = Compare((folder / "bench_cloud_5m.ply").string(), Kind::kBinary, kBinaryPoints, "binary PLY load",
                          "plain read", PlainRead) &&
                  Compare((folder / "bench_cloud_2m_ascii.ply").string(), Kind::kAsciiPly, kTextPoints,
                          "ASCII PLY load", "read and from_chars loop", PlainParse) &&
                  Compare((folder / "bench_cloud_2m.xyz").string(), Kind::kXyz, kTextPoints, "XYZ load",
                          "read and from_chars loop", PlainParse);
  std::printf("(goal for the binary file: at most 3)\n");
  return ok ? 0 : 1;
}
