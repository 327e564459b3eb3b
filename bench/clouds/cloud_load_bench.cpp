// Loading a 5-million-point binary PLY file (positions, normals and
// colours) against reading the same bytes sequentially, in the same run.
// Prints the ratio of the medians of five rounds; the goal is within 3x of
// the plain read.
//
// usage: bench_cloud_load [FOLDER]   (default: the system's temporary folder)
#include <algorithm>
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

constexpr std::size_t kPoints = 5'000'000;

bool WriteCloud(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "ply\nformat binary_little_endian 1.0\nelement vertex " << kPoints
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty float nx\nproperty float ny\n"
         "property float nz\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  std::vector<char> block;
  char record[27];
  for (std::size_t i = 0; i < kPoints; ++i) {
    const float v[6] = {coordinate(random), coordinate(random), coordinate(random), 0.0f, 0.0f, 1.0f};
    std::memcpy(record, v, 24);
    record[24] = static_cast<char>(i);
    record[25] = static_cast<char>(i >> 8);
    record[26] = static_cast<char>(i >> 16);
    block.insert(block.end(), record, record + sizeof record);
    if (block.size() > (1 << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  return static_cast<bool>(out);
}

// The peer: the file's bytes read front to back into memory, touched once
// so the work cannot be skipped.
std::size_t PlainRead(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  std::vector<char> bytes(std::filesystem::file_size(path));
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  std::size_t sum = 0;
  for (std::size_t i = 0; i < n; i += 4096) sum += static_cast<unsigned char>(bytes[i]);
  return n + (sum & 1);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  const std::string path = (folder / "bench_cloud_5m.ply").string();
  std::printf("Writing %zu points to %s ...\n", kPoints, path.c_str());
  if (!WriteCloud(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("File size: %.1f MiB\n", std::filesystem::file_size(path) / 1048576.0);
  using Clock = std::chrono::steady_clock;
  std::vector<double> plain, load;
  PlainRead(path);  // both start from a warm page cache
  for (int round = 0; round < 5; ++round) {
    auto t0 = Clock::now();
    const std::size_t bytes = PlainRead(path);
    auto t1 = Clock::now();
    host::PointCloudData cloud;
    std::string error;
    const bool ok = host::ReadPointCloudFile(path, cloud, error);
    auto t2 = Clock::now();
    if (bytes == 0 || !ok || cloud.size() != kPoints) {
      std::fprintf(stderr, "round %d failed: %s\n", round, error.c_str());
      std::filesystem::remove(path);
      return 1;
    }
    plain.push_back(std::chrono::duration<double>(t1 - t0).count());
    load.push_back(std::chrono::duration<double>(t2 - t1).count());
    std::printf("round %d: plain read %.3f s, PLY load %.3f s\n", round + 1, plain.back(), load.back());
  }
  std::filesystem::remove(path);
  const double ratio = Median(load) / Median(plain);
  std::printf("Median plain read %.3f s, median PLY load %.3f s\n", Median(plain), Median(load));
  std::printf("Ratio PLY load / plain read: %.2f (goal: at most 3)\n", ratio);
  return 0;
}
