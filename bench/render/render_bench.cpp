// The renderer drawing one million coloured points at 1280 x 720, against a
// plain single-threaded, single-precision projection loop of its own over
// the same points (project, depth test, write the pixel) measured in the
// same run. Prints the
// milliseconds of each and their ratio. Goal: under 20 ms a frame.
//
// usage: bench_render [frames]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "sdk/render/SoftwareRenderer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The peer: a straightforward single-precision pinhole projection and
// z-buffer loop of its own (it shares no code with the renderer), for the
// same camera: the view basis from eye, target and up, a horizontal half
// angle whose tangent is 18 / lens length, the image fitted to the field's
// aspect.
void PlainLoop(const std::vector<float>& xyz, const std::vector<OdGiRgb>& colors, const odrender::Camera& camera,
               int width, int height, std::vector<std::uint32_t>& pixels, std::vector<float>& depth) {
  const float ex = static_cast<float>(camera.position.x), ey = static_cast<float>(camera.position.y),
              ez = static_cast<float>(camera.position.z);
  float z[3] = {ex - static_cast<float>(camera.target.x), ey - static_cast<float>(camera.target.y),
                ez - static_cast<float>(camera.target.z)};
  const auto normalise = [](float* v) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) v[k] /= length;
  };
  normalise(z);
  const float up[3] = {static_cast<float>(camera.up.x), static_cast<float>(camera.up.y),
                       static_cast<float>(camera.up.z)};
  float x[3] = {up[1] * z[2] - up[2] * z[1], up[2] * z[0] - up[0] * z[2], up[0] * z[1] - up[1] * z[0]};
  normalise(x);
  const float y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
  const float tanHalfW = 18.0f / static_cast<float>(camera.lensLength);
  const float tanHalfH = tanHalfW * static_cast<float>(camera.fieldHeight / camera.fieldWidth);
  const float scale = std::min(width / (2 * tanHalfW), height / (2 * tanHalfH));
  const float cx = width * 0.5f, cy = height * 0.5f;
  std::fill(pixels.begin(), pixels.end(), 0xFF000000u);
  std::fill(depth.begin(), depth.end(), std::numeric_limits<float>::infinity());
  const std::size_t n = colors.size();
  for (std::size_t i = 0; i < n; ++i) {
    const float vx = xyz[3 * i] - ex, vy = xyz[3 * i + 1] - ey, vz = xyz[3 * i + 2] - ez;
    const float d = -(vx * z[0] + vy * z[1] + vz * z[2]);
    if (!(d > 1e-4f)) continue;
    const float f = scale / d;
    const int px = static_cast<int>(std::floor(cx + (vx * x[0] + vy * x[1] + vz * x[2]) * f));
    const int py = static_cast<int>(std::floor(cy - (vx * y[0] + vy * y[1] + vz * y[2]) * f));
    if (px < 0 || px >= width || py < 0 || py >= height) continue;
    const std::size_t at = static_cast<std::size_t>(py) * width + px;
    if (d < depth[at]) {
      depth[at] = d;
      pixels[at] = 0xFF000000u | colors[i];
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  constexpr std::size_t kPoints = 1000000;
  constexpr int kWidth = 1280, kHeight = 720;

  // A cloud like a scanned room: points on the six faces of a box plus noise.
  std::mt19937 random(42);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<float> xyz(3 * kPoints);
  std::vector<OdGiRgb> colors(kPoints);
  for (std::size_t i = 0; i < kPoints; ++i) {
    float p[3] = {unit(random) * 20.0f, unit(random) * 15.0f, unit(random) * 4.0f};
    const int face = static_cast<int>(i % 6);
    p[face / 2] = (face % 2 == 0) ? 0.0f : (face / 2 == 0 ? 20.0f : face / 2 == 1 ? 15.0f : 4.0f);
    for (int k = 0; k < 3; ++k) xyz[3 * i + k] = p[k];
    colors[i] = (static_cast<OdGiRgb>(p[0] * 12) << 16) | (static_cast<OdGiRgb>(p[1] * 16) << 8) |
                static_cast<OdGiRgb>(p[2] * 60);
  }
  odrender::Scene scene;
  scene.points(xyz.data(), colors.data(), kPoints, 0, 1);

  odrender::Camera camera;
  camera.position = OdGePoint3d(2, 2, 2);
  camera.target = OdGePoint3d(10, 7.5, 1.5);
  camera.up = OdGeVector3d(0, 0, 1);
  camera.fieldWidth = 16;
  camera.fieldHeight = 9;
  camera.perspective = true;
  camera.lensLength = 24;

  odrender::SoftwareRenderer renderer;
  odrender::SoftwareRenderer single(1);
  odrender::Frame frame, singleFrame;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
  std::vector<float> depth(pixels.size());

  // Warm up caches and pages once each.
  renderer.render(scene, camera, kWidth, kHeight, 0, frame);
  single.render(scene, camera, kWidth, kHeight, 0, singleFrame);
  PlainLoop(xyz, colors, camera, kWidth, kHeight, pixels, depth);

  std::vector<double> ours, ourSingle, plain;
  for (int f = 0; f < frames; ++f) {
    // Interleaved, so that both see the same machine load.
    auto t0 = Clock::now();
    renderer.render(scene, camera, kWidth, kHeight, 0, frame);
    auto t1 = Clock::now();
    PlainLoop(xyz, colors, camera, kWidth, kHeight, pixels, depth);
    auto t2 = Clock::now();
    single.render(scene, camera, kWidth, kHeight, 0, singleFrame);
    auto t3 = Clock::now();
    ours.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    plain.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    ourSingle.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  // About the same picture as the peer (points of size 1, the same camera;
  // single against double precision moves a few points by a pixel).
  std::size_t differing = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) differing += (frame.pixels[i] != pixels[i]);

  const double oursMs = Median(ours), plainMs = Median(plain), singleMs = Median(ourSingle);
  std::printf("points: %zu, frame %dx%d, %u threads, %d frames (medians)\n", kPoints, kWidth, kHeight,
              renderer.threads(), frames);
  std::printf("renderer:                 %.2f ms/frame\n", oursMs);
  std::printf("renderer, one thread:     %.2f ms/frame\n", singleMs);
  std::printf("plain single-thread loop: %.2f ms/frame\n", plainMs);
  std::printf("ratio plain / renderer:   %.2f\n", plainMs / oursMs);
  std::printf("pixels differing from the plain loop: %zu\n", differing);
  std::printf("goal under 20 ms/frame:   %s\n", oursMs < 20.0 ? "met" : "not met");
  return 0;
}
