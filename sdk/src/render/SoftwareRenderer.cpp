#include "sdk/render/SoftwareRenderer.h"

#include <algorithm>
#include <barrier>
#include <climits>
#include <cstring>
#include <cmath>
#include <limits>
#include <thread>

namespace odrender {

// ---- scene ----------------------------------------------------------------------

void Scene::polyline(const OdGePoint3d* points, std::size_t count, OdGiRgb color) {
  if (points == nullptr || count == 0) return;
  m_lines.push_back({m_vertices.size(), count, color & 0xFFFFFFu});
  m_vertices.insert(m_vertices.end(), points, points + count);
}

void Scene::points(const float* xyz, const OdGiRgb* colors, std::size_t count, OdGiRgb defaultColor, int pointSize) {
  if (xyz == nullptr || count == 0) return;
  PointBatch batch;
  batch.xyz.assign(xyz, xyz + 3 * count);
  if (colors != nullptr) batch.colors.assign(colors, colors + count);
  batch.defaultColor = defaultColor & 0xFFFFFFu;
  batch.pointSize = std::clamp(pointSize, 1, 64);
  m_batches.push_back(std::move(batch));
}

void Scene::clear() {
  m_vertices.clear();
  m_lines.clear();
  m_batches.clear();
}

OdGeExtents3d Scene::extents() const {
  OdGeExtents3d e;
  for (const auto& v : m_vertices) e.addPoint(v);
  for (const auto& b : m_batches)
    for (std::size_t i = 0; i + 2 < b.xyz.size(); i += 3) e.addPoint(OdGePoint3d(b.xyz[i], b.xyz[i + 1], b.xyz[i + 2]));
  return e;
}

// ---- projection --------------------------------------------------------------------

Projection::Projection(const Camera& camera, int width, int height) {
  eye = camera.position;
  target = camera.target;
  perspective = camera.perspective;
  zAxis = eye - target;
  if (zAxis.isZeroLength()) zAxis = OdGeVector3d::kZAxis;
  zAxis.normalize();
  xAxis = camera.up.crossProduct(zAxis);
  if (xAxis.isZeroLength(OdGeTol(1e-12))) xAxis = zAxis.perpVector();
  xAxis.normalize();
  yAxis = zAxis.crossProduct(xAxis);
  cx = width * 0.5;
  cy = height * 0.5;
  const double fw = camera.fieldWidth > 0.0 && std::isfinite(camera.fieldWidth) ? camera.fieldWidth : 1.0;
  const double fh = camera.fieldHeight > 0.0 && std::isfinite(camera.fieldHeight) ? camera.fieldHeight : 1.0;
  if (!perspective) {
    scale = std::min(width / fw, height / fh);
    nearDistance = 0.0;
  } else {
    const double lens = camera.lensLength > 0.0 && std::isfinite(camera.lensLength) ? camera.lensLength : 50.0;
    const double tanHalfW = 18.0 / lens;
    const double tanHalfH = tanHalfW * fh / fw;
    scale = std::min(width / (2.0 * tanHalfW), height / (2.0 * tanHalfH));
    nearDistance = std::max(1e-9, eye.distanceTo(target) * 1e-4);
  }
}

bool Projection::project(double x, double y, double z, double& sx, double& sy, double& key) const {
  const double vx = x - eye.x, vy = y - eye.y, vz = z - eye.z;
  const double d = -(vx * zAxis.x + vy * zAxis.y + vz * zAxis.z);
  if (!perspective) {
    const double tx = x - target.x, ty = y - target.y, tz = z - target.z;
    sx = cx + (tx * xAxis.x + ty * xAxis.y + tz * xAxis.z) * scale;
    sy = cy - (tx * yAxis.x + ty * yAxis.y + tz * yAxis.z) * scale;
    key = d;
    return true;
  }
  if (!(d > nearDistance)) return false;
  const double f = scale / d;
  sx = cx + (vx * xAxis.x + vy * xAxis.y + vz * xAxis.z) * f;
  sy = cy - (vx * yAxis.x + vy * yAxis.y + vz * yAxis.z) * f;
  key = -1.0 / d;
  return true;
}

// ---- rasterising ---------------------------------------------------------------------

namespace {

constexpr std::uint64_t kEmptyDepth = 0xFFFFFFFF00000000ull;

// The depth key as an unsigned number in the same order as the float.
inline std::uint32_t OrderedKey(float key) {
  std::uint32_t bits;
  std::memcpy(&bits, &key, sizeof bits);
  return (bits & 0x80000000u) != 0 ? ~bits : (bits | 0x80000000u);
}

inline std::uint64_t Sample(double key, std::uint32_t color) {
  return (static_cast<std::uint64_t>(OrderedKey(static_cast<float>(key))) << 32) | color;
}

// A segment in screen space, clipped to the image: samples k = 0..steps at
// start + k * step. The samples do not depend on the bands.
struct ScreenSegment {
  double x0, y0, k0, dx, dy, dk;
  int steps;
};

bool ClipToImage(double& x0, double& y0, double& k0, double& x1, double& y1, double& k1, int width, int height) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0, width - x0, y0, height - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) t0 = std::max(t0, r);
    else t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  const double ax = x0 + dx * t0, ay = y0 + dy * t0, ak = k0 + (k1 - k0) * t0;
  const double bx = x0 + dx * t1, by = y0 + dy * t1, bk = k0 + (k1 - k0) * t1;
  x0 = ax;
  y0 = ay;
  k0 = ak;
  x1 = bx;
  y1 = by;
  k1 = bk;
  return true;
}

bool MakeSegment(const Projection& proj, const OdGePoint3d& a, const OdGePoint3d& b, int width, int height,
                 ScreenSegment& seg) {
  OdGePoint3d p = a, q = b;
  if (proj.perspective) {
    // Cut the segment at the near plane, in world space.
    const double da = -((a - proj.eye).dotProduct(proj.zAxis)), db = -((b - proj.eye).dotProduct(proj.zAxis));
    const double n = proj.nearDistance * 1.0001;
    if (da <= n && db <= n) return false;
    if (da <= n) p = a + (b - a) * ((n - da) / (db - da));
    if (db <= n) q = b + (a - b) * ((n - db) / (da - db));
  }
  double x0, y0, k0, x1, y1, k1;
  if (!proj.project(p.x, p.y, p.z, x0, y0, k0) || !proj.project(q.x, q.y, q.z, x1, y1, k1)) return false;
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return false;
  if (!ClipToImage(x0, y0, k0, x1, y1, k1, width, height)) return false;
  const double len = std::max(std::fabs(x1 - x0), std::fabs(y1 - y0));
  seg.steps = static_cast<int>(std::ceil(len));
  const double inv = seg.steps > 0 ? 1.0 / seg.steps : 0.0;
  seg.x0 = x0;
  seg.y0 = y0;
  seg.k0 = k0;
  seg.dx = (x1 - x0) * inv;
  seg.dy = (y1 - y0) * inv;
  seg.dk = (k1 - k0) * inv;
  return true;
}

// Writes samples into the rows [y0, y1) of the frame's work buffer; one
// thread per band, so no two threads write the same cell. Each cell keeps the
// smallest sample (nearest, then smaller colour), so the result does not
// depend on the order in which samples arrive.
class BandRaster {
 public:
  BandRaster(Frame& frame, int y0, int y1) : m_work(frame.work.data()), m_width(frame.width), m_y0(y0), m_y1(y1) {}

  void plot(int x, int y, std::uint64_t sample) {
    if (x < 0 || x >= m_width || y < m_y0 || y >= m_y1) return;
    std::uint64_t& cell =
        m_work[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
    if (sample < cell) cell = sample;
  }

  void segment(const ScreenSegment& s, std::uint32_t color) {
    int kFirst = 0, kLast = s.steps;
    if (s.dy != 0.0) {
      // Only the samples whose row can lie in this band (one row of margin).
      double a = (m_y0 - 1 - s.y0) / s.dy, b = (m_y1 + 1 - s.y0) / s.dy;
      if (a > b) std::swap(a, b);
      kFirst = std::max(0, static_cast<int>(std::floor(a)));
      kLast = std::min(s.steps, static_cast<int>(std::ceil(b)));
    } else if (s.y0 < m_y0 - 1 || s.y0 >= m_y1 + 1) {
      return;
    }
    for (int k = kFirst; k <= kLast; ++k) {
      const double x = s.x0 + s.dx * k, y = s.y0 + s.dy * k;
      plot(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), Sample(s.k0 + s.dk * k, color));
    }
  }

  void points(const std::vector<Frame::Binned>& bin) {
    for (const Frame::Binned& p : bin) {
      if (p.size == 1) {
        std::uint64_t& cell =
            m_work[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(p.x)];
        if (p.sample < cell) cell = p.sample;
        continue;
      }
      for (int dy = 0; dy < p.size; ++dy)
        for (int dx = 0; dx < p.size; ++dx) plot(p.x + dx, p.y + dy, p.sample);
    }
  }

 private:
  std::uint64_t* m_work;
  int m_width, m_y0, m_y1;
};

template <class Work>
void RunParallel(unsigned parts, const Work& work) {
  if (parts <= 1) {
    work(0u);
    return;
  }
  std::vector<std::thread> threads;
  threads.reserve(parts - 1);
  for (unsigned i = 1; i < parts; ++i) threads.emplace_back([&work, i] { work(i); });
  work(0u);
  for (auto& t : threads) t.join();
}

}  // namespace

SoftwareRenderer::SoftwareRenderer(unsigned threads) {
  m_threads = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
  m_threads = std::min(m_threads, 64u);
}

void SoftwareRenderer::render(const Scene& scene, const Camera& camera, int width, int height, OdGiRgb background,
                              Frame& frame) const {
  if (width < 1 || height < 1) {
    frame.width = frame.height = 0;
    frame.pixels.clear();
    return;
  }
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  frame.width = width;
  frame.height = height;
  if (frame.target == nullptr) frame.pixels.resize(count);
  std::uint32_t* const out = frame.target != nullptr ? frame.target : frame.pixels.data();
  frame.work.resize(count);
  const Projection proj(camera, width, height);
  const unsigned parts = std::min<unsigned>(m_threads, static_cast<unsigned>(height));

  // Band b holds rows [bandStart[b], bandStart[b + 1]).
  std::vector<int> bandStart(parts + 1);
  for (unsigned b = 0; b <= parts; ++b) bandStart[b] = static_cast<int>(static_cast<long long>(height) * b / parts);
  const auto bandOf = [&](int y) {
    unsigned b = static_cast<unsigned>(static_cast<long long>(y) * parts / height);
    while (b > 0 && y < bandStart[b]) --b;
    while (b + 1 < parts && y >= bandStart[b + 1]) ++b;
    return b;
  };
  // bins[t * parts + b]: the points that thread t projected into band b.
  frame.bins.resize(static_cast<std::size_t>(parts) * parts);
  for (auto& bin : frame.bins) bin.clear();
  std::barrier sync(static_cast<std::ptrdiff_t>(parts));

  RunParallel(parts, [&](unsigned part) {
    std::size_t first = count * part / parts, end = count * (part + 1) / parts;
    std::fill(frame.work.begin() + static_cast<long>(first), frame.work.begin() + static_cast<long>(end),
              kEmptyDepth | 0xFF000000u | (background & 0xFFFFFFu));

    // Project this thread's share of every batch and sort the points into bands.
    std::vector<Frame::Binned>* bins = frame.bins.data() + static_cast<std::size_t>(part) * parts;
    for (const auto& batch : scene.batches()) {
      const bool perPoint = !batch.colors.empty();
      const std::uint32_t fixed = 0xFF000000u | batch.defaultColor;
      const int size = batch.pointSize;
      const double half = size * 0.5 - 0.5;
      const float* xyz = batch.xyz.data();
      const std::size_t n = batch.xyz.size() / 3;
      first = n * part / parts;
      end = n * (part + 1) / parts;
      for (std::size_t i = first; i < end; ++i) {
        double sx, sy, key;
        if (!proj.project(xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2], sx, sy, key)) continue;
        const std::uint64_t sample = Sample(key, perPoint ? (0xFF000000u | batch.colors[i]) : fixed);
        if (size == 1) {
          if (!(sx >= 0.0 && sx < width && sy >= 0.0 && sy < height)) continue;
          const int x = static_cast<int>(sx), y = static_cast<int>(sy);
          bins[bandOf(y)].push_back({sample, x, static_cast<std::int16_t>(y), 1});
          continue;
        }
        if (!(sx > -1e6 && sx < 1e6 && sy > -1e6 && sy < 1e6)) continue;
        const int x0 = static_cast<int>(std::floor(sx - half)), y0 = static_cast<int>(std::floor(sy - half));
        if (x0 + size <= 0 || x0 >= width || y0 + size <= 0 || y0 >= height) continue;
        // A square may reach into the next bands: it goes to each.
        const unsigned b0 = bandOf(std::max(y0, 0)), b1 = bandOf(std::min(y0 + size - 1, height - 1));
        for (unsigned b = b0; b <= b1; ++b)
          bins[b].push_back({sample, x0, static_cast<std::int16_t>(y0), static_cast<std::int16_t>(size)});
      }
    }
    sync.arrive_and_wait();

    // Draw this thread's band: the lines, then every thread's points for it.
    const int y0 = bandStart[part], y1 = bandStart[part + 1];
    BandRaster band(frame, y0, y1);
    const auto& vertices = scene.vertices();
    for (const auto& line : scene.lines()) {
      const std::uint32_t color = 0xFF000000u | line.color;
      if (line.count == 1) {
        double sx, sy, key;
        const OdGePoint3d& p = vertices[line.first];
        if (proj.project(p.x, p.y, p.z, sx, sy, key) && std::fabs(sx) < 1e9 && std::fabs(sy) < 1e9)
          band.plot(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)), Sample(key, color));
        continue;
      }
      for (std::size_t i = line.first; i + 1 < line.first + line.count; ++i) {
        ScreenSegment seg;
        if (MakeSegment(proj, vertices[i], vertices[i + 1], width, height, seg)) band.segment(seg, color);
      }
    }
    for (unsigned t = 0; t < parts; ++t) band.points(frame.bins[static_cast<std::size_t>(t) * parts + part]);

    // The colours of the samples that were kept.
    const std::ptrdiff_t step = frame.target != nullptr && frame.targetStep != 0 ? frame.targetStep : width;
    for (int y = y0; y < y1; ++y) {
      const std::uint64_t* in = frame.work.data() + static_cast<std::size_t>(y) * width;
      std::uint32_t* row = out + step * y;
      for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint32_t>(in[x]);
    }
  });
}

}  // namespace odrender
