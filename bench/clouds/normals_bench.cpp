// Normals of the sample clouds: the host's computation (nanoflann's k-d
// tree and Eigen's eigen solver) against the project's former own k-d tree
// and Jacobi eigen solver, kept here as the peer, in the same run, on the
// same points, with the same threads. Prints each median of five rounds and
// the ratio host / peer (below 1: the libraries are faster), and how many
// normals agree within 1 degree.
//
// usage: bench_normals SNOWMAN.ply TREE.ply [THREADS]
//   (the build writes both into build/samples)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "host/PointCloudNormals.h"
#include "host/PointCloudReader.h"

namespace {

// A k-d tree over the points: indices arranged so that every node's range
// is split at its middle element along the axis of the node's widest extent.
class KdTree {
 public:
  explicit KdTree(const float* xyz, std::size_t count) : m_xyz(xyz), m_index(count), m_axis(count, 0) {
    std::iota(m_index.begin(), m_index.end(), 0u);
    if (count > 0) build(0, count);
  }

  // The k nearest points to p, as (squared distance, index), nearest first.
  void nearest(const float* p, unsigned k, std::vector<std::pair<float, std::uint32_t>>& heap) const {
    heap.clear();
    if (m_index.empty() || k == 0) return;
    search(p, k, 0, m_index.size(), heap);
    std::sort_heap(heap.begin(), heap.end());
  }

 private:
  const float* at(std::uint32_t i) const { return m_xyz + 3 * static_cast<std::size_t>(i); }

  void build(std::size_t lo, std::size_t hi) {
    while (hi - lo > 1) {
      float mn[3] = {at(m_index[lo])[0], at(m_index[lo])[1], at(m_index[lo])[2]};
      float mx[3] = {mn[0], mn[1], mn[2]};
      for (std::size_t i = lo + 1; i < hi; ++i) {
        const float* q = at(m_index[i]);
        for (int a = 0; a < 3; ++a) {
          mn[a] = std::min(mn[a], q[a]);
          mx[a] = std::max(mx[a], q[a]);
        }
      }
      int axis = 0;
      for (int a = 1; a < 3; ++a)
        if (mx[a] - mn[a] > mx[axis] - mn[axis]) axis = a;
      const std::size_t mid = lo + (hi - lo) / 2;
      std::nth_element(m_index.begin() + static_cast<long>(lo), m_index.begin() + static_cast<long>(mid),
                       m_index.begin() + static_cast<long>(hi),
                       [&](std::uint32_t a, std::uint32_t b) { return at(a)[axis] < at(b)[axis]; });
      m_axis[mid] = static_cast<std::uint8_t>(axis);
      build(lo, mid);
      lo = mid + 1;
    }
  }

  void offer(const float* p, unsigned k, std::uint32_t i, std::vector<std::pair<float, std::uint32_t>>& heap) const {
    const float* q = at(i);
    const float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
    const float d = dx * dx + dy * dy + dz * dz;
    if (heap.size() < k) {
      heap.emplace_back(d, i);
      std::push_heap(heap.begin(), heap.end());
    } else if (d < heap.front().first) {
      std::pop_heap(heap.begin(), heap.end());
      heap.back() = {d, i};
      std::push_heap(heap.begin(), heap.end());
    }
  }

  void search(const float* p, unsigned k, std::size_t lo, std::size_t hi,
              std::vector<std::pair<float, std::uint32_t>>& heap) const {
    while (hi > lo) {
      if (hi - lo == 1) {
        offer(p, k, m_index[lo], heap);
        return;
      }
      const std::size_t mid = lo + (hi - lo) / 2;
      const std::uint32_t node = m_index[mid];
      offer(p, k, node, heap);
      const int axis = m_axis[mid];
      const float diff = p[axis] - at(node)[axis];
      const bool leftFirst = diff < 0;
      // Near side first, then the far side only if the splitting plane is
      // nearer than the worst neighbour so far.
      if (leftFirst) search(p, k, lo, mid, heap);
      else search(p, k, mid + 1, hi, heap);
      if (heap.size() == k && diff * diff >= heap.front().first) return;
      if (leftFirst) lo = mid + 1;
      else hi = mid;
    }
  }

  const float* m_xyz;
  std::vector<std::uint32_t> m_index;
  std::vector<std::uint8_t> m_axis;
};

// The eigenvector of the smallest eigenvalue of the symmetric matrix a, by
// Jacobi rotations. False when the two smallest eigenvalues are equal
// within noise (no thinnest direction).
bool SmallestEigenvector(double a[3][3], double v[3]) {
  double e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int sweep = 0; sweep < 32; ++sweep) {
    const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    if (off < 1e-30) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (std::fabs(a[p][q]) < 1e-300) continue;
        const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
        for (int r = 0; r < 3; ++r) {
          const double arp = a[r][p], arq = a[r][q];
          a[r][p] = c * arp - s * arq;
          a[r][q] = s * arp + c * arq;
        }
        for (int r = 0; r < 3; ++r) {
          const double apr = a[p][r], aqr = a[q][r];
          a[p][r] = c * apr - s * aqr;
          a[q][r] = s * apr + c * aqr;
        }
        for (int r = 0; r < 3; ++r) {
          const double erp = e[r][p], erq = e[r][q];
          e[r][p] = c * erp - s * erq;
          e[r][q] = s * erp + c * erq;
        }
      }
    }
  }
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&](int x, int y) { return a[x][x] < a[y][y]; });
  const double smallest = a[order[0]][order[0]], middle = a[order[1]][order[1]], largest = a[order[2]][order[2]];
  if (!(largest > 0) || middle - smallest <= 1e-9 * largest) return false;
  for (int r = 0; r < 3; ++r) v[r] = e[r][order[0]];
  return true;
}

// The former computation, word for word but for its name.
bool OwnTreeNormals(const host::PointCloudData& cloud, std::vector<float>& normals, unsigned neighbours,
                    unsigned threads, std::atomic<std::size_t>* done, const std::atomic<bool>* stop) {
  const std::size_t n = cloud.size();
  normals.assign(n * 3, 0.0f);
  if (n == 0) return true;
  const unsigned k = std::max(3u, std::min(neighbours, 64u));
  const KdTree tree(cloud.xyz.data(), n);
  double centre[3] = {0, 0, 0};
  for (std::size_t i = 0; i < n; ++i)
    for (int a = 0; a < 3; ++a) centre[a] += cloud.xyz[3 * i + a];
  for (double& c : centre) c /= static_cast<double>(n);

  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, n / 1024)));
  constexpr std::size_t kChunk = 4096;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    std::vector<std::pair<float, std::uint32_t>> heap;
    heap.reserve(k + 1);
    for (;;) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      const std::size_t first = next.fetch_add(kChunk);
      if (first >= n) return;
      const std::size_t last = std::min(n, first + kChunk);
      for (std::size_t i = first; i < last; ++i) {
        const float* p = &cloud.xyz[3 * i];
        tree.nearest(p, k, heap);
        if (heap.size() < 3) continue;
        double mean[3] = {0, 0, 0};
        for (const auto& h : heap)
          for (int a = 0; a < 3; ++a) mean[a] += cloud.xyz[3 * static_cast<std::size_t>(h.second) + a];
        for (double& m : mean) m /= static_cast<double>(heap.size());
        double cov[3][3] = {};
        for (const auto& h : heap) {
          const float* q = &cloud.xyz[3 * static_cast<std::size_t>(h.second)];
          const double d[3] = {q[0] - mean[0], q[1] - mean[1], q[2] - mean[2]};
          for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) cov[r][c] += d[r] * d[c];
        }
        double v[3];
        if (!SmallestEigenvector(cov, v)) continue;
        const double out = (p[0] - centre[0]) * v[0] + (p[1] - centre[1]) * v[1] + (p[2] - centre[2]) * v[2];
        const double sign = out < 0 ? -1.0 : 1.0;
        const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int a = 0; a < 3; ++a) normals[3 * i + a] = static_cast<float>(sign * v[a] / len);
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

// Five rounds, the two computations taking turns so that a change in the
// machine's load falls on both; the median of each.
template <class A, class B>
void MedianSeconds(A&& a, B&& b, double& secondsA, double& secondsB) {
  std::vector<double> timesA, timesB;
  const auto time = [](auto&& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (int round = 0; round < 5; ++round) {
    timesA.push_back(time(a));
    timesB.push_back(time(b));
  }
  std::sort(timesA.begin(), timesA.end());
  std::sort(timesB.begin(), timesB.end());
  secondsA = timesA[2];
  secondsB = timesB[2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || argv[1][0] == '-') {
    std::fprintf(argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr,
                 "usage: bench_normals SNOWMAN.ply TREE.ply [THREADS]\n");
    return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
  }
  const unsigned threads = argc == 4 ? static_cast<unsigned>(std::atoi(argv[3])) : 0;
  for (int f = 1; f <= 2; ++f) {
    host::PointCloudData cloud;
    std::string error;
    if (!host::ReadPointCloudFile(argv[f], cloud, error)) {
      std::fprintf(stderr, "%s: %s\n", argv[f], error.c_str());
      return 1;
    }
    std::vector<float> ours, peer;
    double host = 0, own = 0;
    MedianSeconds([&] { host::ComputeNormals(cloud, ours, 12, threads, nullptr, nullptr); },
                  [&] { OwnTreeNormals(cloud, peer, 12, threads, nullptr, nullptr); }, host, own);
    std::size_t agree = 0;
    for (std::size_t i = 0; i < cloud.size(); ++i) {
      const float* a = &ours[3 * i];
      const float* b = &peer[3 * i];
      const float dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
      const bool bothZero = a[0] == 0 && a[1] == 0 && a[2] == 0 && b[0] == 0 && b[1] == 0 && b[2] == 0;
      if (bothZero || dot > std::cos(1.0f * 3.14159265f / 180.0f)) ++agree;
    }
    std::printf(
        "%s: %zu points, nanoflann+Eigen %.3f s, own k-d tree+Jacobi %.3f s, ratio %.2f, "
        "%zu of %zu normals within 1 degree\n",
        argv[f], cloud.size(), host, own, host / own, agree, cloud.size());
  }
  return 0;
}
