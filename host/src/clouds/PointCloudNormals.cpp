// Normals from each point's nearest neighbours: nanoflann's k-d tree finds
// them, Eigen's symmetric eigen solver gives the thinnest direction.
#include "host/PointCloudNormals.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <nanoflann.hpp>
#include <thread>

namespace host {

namespace {

// The cloud as nanoflann reads it: points by index, x, y, z as floats.
struct CloudPoints {
  const float* xyz;
  std::size_t count;
  std::size_t kdtree_get_point_count() const { return count; }
  float kdtree_get_pt(std::size_t i, std::size_t axis) const { return xyz[3 * i + axis]; }
  template <class Box>
  bool kdtree_get_bbox(Box&) const {
    return false;
  }
};

using KdTree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, CloudPoints>, CloudPoints, 3,
                                                   std::uint32_t>;

// The eigenvector of the smallest eigenvalue of the symmetric covariance.
// False when the two smallest eigenvalues are equal within noise (no
// thinnest direction).
bool SmallestEigenvector(const Eigen::Matrix3d& covariance, Eigen::Vector3d& v) {
  // The closed-form solver of a 3 x 3 symmetric matrix; close eigenvalues,
  // where it is least accurate, are refused below anyway.
  Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver;
  solver.computeDirect(covariance);
  if (solver.info() != Eigen::Success) return false;
  const Eigen::Vector3d& values = solver.eigenvalues();  // ascending
  if (!(values[2] > 0) || values[1] - values[0] <= 1e-9 * values[2]) return false;
  v = solver.eigenvectors().col(0);
  return true;
}

}  // namespace

bool ComputeNormals(const PointCloudData& cloud, std::vector<float>& normals, unsigned neighbours, unsigned threads,
                    std::atomic<std::size_t>* done, const std::atomic<bool>* stop) {
  const std::size_t n = cloud.size();
  normals.assign(n * 3, 0.0f);
  if (n == 0) return true;
  const unsigned k = std::max(3u, std::min(neighbours, 64u));
  const CloudPoints points{cloud.xyz.data(), n};
  const KdTree tree(3, points, nanoflann::KDTreeSingleIndexAdaptorParams(16));
  double centre[3] = {0, 0, 0};
  for (std::size_t i = 0; i < n; ++i)
    for (int a = 0; a < 3; ++a) centre[a] += cloud.xyz[3 * i + a];
  for (double& c : centre) c /= static_cast<double>(n);

  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, n / 1024)));
  constexpr std::size_t kChunk = 4096;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    std::vector<std::uint32_t> indices(k);
    std::vector<float> distances(k);
    for (;;) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      const std::size_t first = next.fetch_add(kChunk);
      if (first >= n) return;
      const std::size_t last = std::min(n, first + kChunk);
      for (std::size_t i = first; i < last; ++i) {
        const float* p = &cloud.xyz[3 * i];
        const std::size_t found = tree.knnSearch(p, k, indices.data(), distances.data());
        if (found < 3) continue;
        Eigen::Vector3d mean = Eigen::Vector3d::Zero();
        for (std::size_t j = 0; j < found; ++j)
          mean += Eigen::Map<const Eigen::Vector3f>(&cloud.xyz[3 * std::size_t{indices[j]}]).cast<double>();
        mean /= static_cast<double>(found);
        Eigen::Matrix3d covariance = Eigen::Matrix3d::Zero();
        for (std::size_t j = 0; j < found; ++j) {
          const Eigen::Vector3d d =
              Eigen::Map<const Eigen::Vector3f>(&cloud.xyz[3 * std::size_t{indices[j]}]).cast<double>() - mean;
          covariance += d * d.transpose();
        }
        Eigen::Vector3d v;
        if (!SmallestEigenvector(covariance, v)) continue;
        const double out = (p[0] - centre[0]) * v[0] + (p[1] - centre[1]) * v[1] + (p[2] - centre[2]) * v[2];
        v *= (out < 0 ? -1.0 : 1.0) / v.norm();
        for (int a = 0; a < 3; ++a) normals[3 * i + a] = static_cast<float>(v[a]);
      }
      if (done != nullptr) done->fetch_add(last - first, std::memory_order_relaxed);
    }
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
  return !(stop != nullptr && stop->load());
}

}  // namespace host
