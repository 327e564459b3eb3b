// Writes the sample scene: a small city of wireframe buildings, towers and
// arches on a ground grid, with two camera trajectories that fly through it
// (a spline, handle A00, and a lightweight polyline with arcs, handle B00)
// and a 2D polyline loop (handle C00). Deterministic: the same file every
// time.
//
// usage: make_sample_scene OUTPUT.dxf
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class DxfWriter {
 public:
  void pair(int code, const std::string& value) { m_out << code << '\n' << value << '\n'; }
  void pair(int code, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    pair(code, std::string(text));
  }
  void pair(int code, int value) { pair(code, std::to_string(value)); }
  std::string handle() {
    char text[16];
    std::snprintf(text, sizeof text, "%X", m_nextHandle++);
    return text;
  }
  void entity(const char* type, int rgb, const std::string& fixedHandle = {}) {
    pair(0, type);
    pair(5, fixedHandle.empty() ? handle() : fixedHandle);
    pair(8, "0");
    pair(420, rgb);
  }
  void line(double x1, double y1, double z1, double x2, double y2, double z2, int rgb) {
    entity("LINE", rgb);
    pair(10, x1);
    pair(20, y1);
    pair(30, z1);
    pair(11, x2);
    pair(21, y2);
    pair(31, z2);
  }
  void polyline3d(const std::vector<std::array<double, 3>>& points, bool closed, int rgb) {
    entity("POLYLINE", rgb);
    pair(66, 1);
    pair(10, 0.0);
    pair(20, 0.0);
    pair(30, 0.0);
    pair(70, 8 | (closed ? 1 : 0));
    for (const auto& p : points) {
      pair(0, "VERTEX");
      pair(5, handle());
      pair(8, "0");
      pair(10, p[0]);
      pair(20, p[1]);
      pair(30, p[2]);
      pair(70, 32);
    }
    pair(0, "SEQEND");
    pair(5, handle());
    pair(8, "0");
  }
  std::string text() const { return m_out.str(); }

 private:
  std::ostringstream m_out;
  unsigned m_nextHandle = 0x100;
};

// A small deterministic generator (no library randomness: the file must not
// change between standard libraries).
struct Lcg {
  std::uint32_t state = 12345;
  double next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  }
};

int Rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

void Box(DxfWriter& dxf, double x, double y, double w, double d, double h, int rgb) {
  dxf.polyline3d({{x, y, 0}, {x + w, y, 0}, {x + w, y + d, 0}, {x, y + d, 0}}, true, rgb);
  dxf.polyline3d({{x, y, h}, {x + w, y, h}, {x + w, y + d, h}, {x, y + d, h}}, true, rgb);
  const double cx[4] = {x, x + w, x + w, x}, cy[4] = {y, y, y + d, y + d};
  for (int i = 0; i < 4; ++i) dxf.line(cx[i], cy[i], 0, cx[i], cy[i], h, rgb);
  // Floors.
  for (double z = 3.0; z < h; z += 3.0)
    dxf.polyline3d({{x, y, z}, {x + w, y, z}, {x + w, y + d, z}, {x, y + d, z}}, true, (rgb >> 1) & 0x7F7F7F);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs("usage: make_sample_scene OUTPUT.dxf\n", stdout);
    return 0;
  }
  // Output names are plain paths: anything that looks like an option is refused.
  bool option = false;
  for (int i = 1; i < argc; ++i) option = option || argv[i][0] == '-';
  if (argc != 2 || option) {
    std::fprintf(stderr, "usage: make_sample_scene OUTPUT.dxf\n");
    return 2;
  }
  DxfWriter dxf;
  dxf.pair(0, "SECTION");
  dxf.pair(2, "HEADER");
  dxf.pair(9, "$ACADVER");
  dxf.pair(1, "AC1015");
  dxf.pair(0, "ENDSEC");

  // The active viewport: looking at the city from the south-west, above.
  dxf.pair(0, "SECTION");
  dxf.pair(2, "TABLES");
  dxf.pair(0, "TABLE");
  dxf.pair(2, "VPORT");
  dxf.pair(5, "8");
  dxf.pair(70, 1);
  dxf.pair(0, "VPORT");
  dxf.pair(5, "29");
  dxf.pair(2, "*ACTIVE");
  dxf.pair(70, 0);
  dxf.pair(10, 0.0);
  dxf.pair(20, 0.0);
  dxf.pair(11, 1.0);
  dxf.pair(21, 1.0);
  dxf.pair(12, 0.0);
  dxf.pair(22, 0.0);
  dxf.pair(16, -1.0);
  dxf.pair(26, -1.4);
  dxf.pair(36, 1.1);
  dxf.pair(17, 50.0);
  dxf.pair(27, 50.0);
  dxf.pair(37, 8.0);
  dxf.pair(40, 130.0);
  dxf.pair(41, 1.8);
  dxf.pair(42, 50.0);
  dxf.pair(51, 0.0);
  dxf.pair(71, 0);
  dxf.pair(0, "ENDTAB");
  dxf.pair(0, "ENDSEC");

  dxf.pair(0, "SECTION");
  dxf.pair(2, "ENTITIES");

  // The trajectories first, with handles a script can name.
  {
    // A spline through fit points, weaving between the buildings.
    const double fit[][3] = {{-10, -10, 4}, {12, 8, 6},   {28, 30, 9},  {45, 38, 12}, {62, 30, 10},
                             {78, 48, 8},   {70, 72, 14}, {48, 82, 10}, {25, 70, 6},  {10, 92, 5}};
    dxf.entity("SPLINE", Rgb(255, 220, 0), "A00");
    dxf.pair(70, 8);
    dxf.pair(71, 3);
    dxf.pair(72, 0);
    dxf.pair(73, 0);
    dxf.pair(74, 10);
    for (const auto& p : fit) {
      dxf.pair(11, p[0]);
      dxf.pair(21, p[1]);
      dxf.pair(31, p[2]);
    }
    // A lightweight polyline at elevation 5 with two arcs: round the central tower.
    dxf.entity("LWPOLYLINE", Rgb(0, 255, 255), "B00");
    dxf.pair(90, 5);
    dxf.pair(70, 0);
    dxf.pair(38, 5.0);
    const double lw[][3] = {{0, 50, 0}, {35, 50, 1.0}, {65, 50, 0}, {90, 50, -0.5}, {100, 20, 0}};
    for (const auto& p : lw) {
      dxf.pair(10, p[0]);
      dxf.pair(20, p[1]);
      if (p[2] != 0.0) dxf.pair(42, p[2]);
    }
    // A 2D polyline loop at elevation 2.
    dxf.entity("POLYLINE", Rgb(255, 100, 200), "C00");
    dxf.pair(66, 1);
    dxf.pair(10, 0.0);
    dxf.pair(20, 0.0);
    dxf.pair(30, 2.0);
    dxf.pair(70, 1);
    const double p2[][3] = {{-5, -5, 0}, {105, -5, 0.2}, {105, 105, 0}, {-5, 105, 0.2}};
    for (const auto& p : p2) {
      dxf.pair(0, "VERTEX");
      dxf.pair(5, dxf.handle());
      dxf.pair(8, "0");
      dxf.pair(10, p[0]);
      dxf.pair(20, p[1]);
      dxf.pair(30, 2.0);
      if (p[2] != 0.0) dxf.pair(42, p[2]);
    }
    dxf.pair(0, "SEQEND");
    dxf.pair(5, dxf.handle());
    dxf.pair(8, "0");
  }

  // Ground grid.
  for (int i = 0; i <= 20; ++i) {
    const double v = -10.0 + i * 6.0;
    dxf.line(v, -10, 0, v, 110, 0, Rgb(70, 80, 90));
    dxf.line(-10, v, 0, 110, v, 0, Rgb(70, 80, 90));
  }

  // Buildings on a jittered grid, leaving the centre free for the tower.
  Lcg random;
  for (int gx = 0; gx < 5; ++gx) {
    for (int gy = 0; gy < 5; ++gy) {
      if (gx == 2 && gy == 2) continue;
      const double x = 4 + gx * 20 + random.next() * 5, y = 4 + gy * 20 + random.next() * 5;
      const double w = 6 + random.next() * 6, d = 6 + random.next() * 6, h = 6 + random.next() * 24;
      const int rgb = Rgb(120 + static_cast<int>(random.next() * 135), 120 + static_cast<int>(random.next() * 135),
                          160 + static_cast<int>(random.next() * 95));
      Box(dxf, x, y, w, d, h, rgb);
    }
  }

  // The central tower: stacked circles, and a helix around it (3D polyline).
  for (int k = 0; k <= 12; ++k) {
    dxf.entity("CIRCLE", Rgb(255, 140, 60));
    dxf.pair(10, 50.0);
    dxf.pair(20, 50.0);
    dxf.pair(30, k * 3.0);
    dxf.pair(40, 6.0 - k * 0.25);
  }
  {
    std::vector<std::array<double, 3>> helix;
    for (int i = 0; i <= 240; ++i) {
      const double a = i * 0.1;
      helix.push_back({50 + 8 * std::cos(a), 50 + 8 * std::sin(a), i * 0.15});
    }
    dxf.polyline3d(helix, false, Rgb(255, 80, 80));
  }
  // Arches over the polyline's straight runs: arcs standing in the vertical
  // plane y = 50. With the extrusion (0, -1, 0) the arc's own X axis is world
  // X, its Y axis world Z, and its Z axis world -Y (the drawing format's
  // arbitrary-axis rule), so the centre (x, 50, 0) is written as (x, 0, -50).
  const double arches[] = {8, 20, 32, 72, 84};
  for (double x : arches) {
    dxf.entity("ARC", Rgb(140, 255, 140));
    dxf.pair(10, x);
    dxf.pair(20, 0.0);
    dxf.pair(30, -50.0);
    dxf.pair(40, 7.0);
    dxf.pair(50, 0.0);
    dxf.pair(51, 180.0);
    dxf.pair(210, 0.0);
    dxf.pair(220, -1.0);
    dxf.pair(230, 0.0);
  }

  dxf.pair(0, "ENDSEC");
  dxf.pair(0, "EOF");

  std::ofstream out(argv[1], std::ios::binary);
  out << dxf.text();
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_sample_scene: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
