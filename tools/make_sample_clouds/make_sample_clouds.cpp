// Writes the sample scene's point clouds, to stand beside the city of
// make_sample_scene east of it:
//   a snowman of 300 000 points with normals and colours (binary PLY), and
//   a tree of 60 000 points with colours and no normals (ASCII PLY), for
//   trying the normals command on.
// Points are spread evenly over the surfaces by area. Deterministic: the
// same files every time.
//
// usage: make_sample_clouds SNOWMAN.ply TREE.ply
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

class Lcg {
 public:
  double next() {
    m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(m_state >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t m_state = 0x5EED;
};

struct Vec {
  double x, y, z;
  Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec operator*(double s) const { return {x * s, y * s, z * s}; }
  double dot(const Vec& o) const { return x * o.x + y * o.y + z * o.z; }
  Vec cross(const Vec& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
  double length() const { return std::sqrt(dot(*this)); }
  Vec unit() const { return *this * (1.0 / length()); }
};

struct Point {
  Vec p, n;
  std::uint8_t r, g, b;
};

struct Sphere {
  Vec c;
  double r;
  bool contains(const Vec& p) const { return (p - c).length() < r * 0.999; }
};

// A surface to sample: its area and a function giving a random point on it.
struct Surface {
  double area;
  std::function<bool(Lcg&, Point&)> sample;  // false: drop this sample (hidden inside another part)
};

Vec RandomOnSphere(Lcg& rng) {
  const double z = 2 * rng.next() - 1, a = 2 * kPi * rng.next(), s = std::sqrt(1 - z * z);
  return {s * std::cos(a), s * std::sin(a), z};
}

std::vector<Point> Sample(const std::vector<Surface>& surfaces, std::size_t total, Lcg& rng) {
  double area = 0;
  for (const auto& s : surfaces) area += s.area;
  std::vector<Point> points;
  points.reserve(total);
  for (const auto& s : surfaces) {
    const std::size_t wanted = static_cast<std::size_t>(total * s.area / area);
    std::size_t made = 0, tries = 0;
    while (made < wanted && tries < wanted * 4) {
      ++tries;
      Point p;
      if (!s.sample(rng, p)) continue;
      points.push_back(p);
      ++made;
    }
  }
  return points;
}

std::uint8_t Shade(double base, double noise, Lcg& rng) {
  const double v = base + (rng.next() - 0.5) * noise;
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

std::vector<Point> Snowman(Lcg& rng) {
  const Vec base{130, 20, 0};
  const Sphere body{base + Vec{0, 0, 6}, 6}, chest{base + Vec{0, 0, 15.5}, 4.2}, head{base + Vec{0, 0, 22.5}, 3};
  const Sphere balls[] = {body, chest, head};
  // Faces the city's usual viewpoint (south-west).
  const Vec front = Vec{-1, -1.4, 0}.unit();
  const Vec side = Vec{0, 0, 1}.cross(front).unit();
  std::vector<Surface> parts;
  for (int i = 0; i < 3; ++i) {
    const Sphere s = balls[i];
    parts.push_back({4 * kPi * s.r * s.r, [=](Lcg& g, Point& p) {
                       const Vec n = RandomOnSphere(g);
                       p.p = s.c + n * s.r;
                       for (const auto& other : balls)
                         if (other.c.z != s.c.z && other.contains(p.p)) return false;
                       p.n = n;
                       const std::uint8_t w = Shade(238, 20, g);
                       p.r = w;
                       p.g = w;
                       p.b = static_cast<std::uint8_t>(std::min(255, w + 12));
                       return true;
                     }});
  }
  // Coal: eyes and buttons, small black spheres on the surface.
  std::vector<Sphere> coal;
  for (double side_ : {-1.0, 1.0})
    coal.push_back({head.c + front * 2.75 + side * (side_ * 1.0) + Vec{0, 0, 0.9}, 0.35});
  for (double z : {13.5, 15.5, 17.5}) {
    const double dz = z - chest.c.z, reach = std::sqrt(chest.r * chest.r - dz * dz);
    coal.push_back({Vec{chest.c.x, chest.c.y, z} + front * reach, 0.45});
  }
  for (const Sphere& s : coal) {
    parts.push_back({4 * kPi * s.r * s.r, [=](Lcg& g, Point& p) {
                       const Vec n = RandomOnSphere(g);
                       p.p = s.c + n * s.r;
                       p.n = n;
                       p.r = p.g = p.b = Shade(25, 20, g);
                       return true;
                     }});
  }
  // The carrot: a cone from the middle of the face outwards.
  {
    const Vec root = head.c + front * 2.6, axis = front;
    const Vec u = side, v = axis.cross(u);
    const double length = 3.2, radius = 0.5, slant = std::sqrt(length * length + radius * radius);
    parts.push_back({kPi * radius * slant, [=](Lcg& g, Point& p) {
                       const double t = 1 - std::sqrt(g.next());  // even by area: more near the root
                       const double a = 2 * kPi * g.next();
                       const Vec radial = u * std::cos(a) + v * std::sin(a);
                       p.p = root + axis * (t * length) + radial * ((1 - t) * radius);
                       p.n = (radial * length + axis * radius).unit();
                       p.r = Shade(245, 15, g);
                       p.g = Shade(125, 25, g);
                       p.b = Shade(20, 15, g);
                       return true;
                     }});
  }
  // The hat: brim and crown.
  {
    const Vec top = head.c + Vec{0, 0, head.r * 0.8};
    const double brim = 3.3, crown = 2.2, height = 3.4;
    parts.push_back({kPi * brim * brim, [=](Lcg& g, Point& p) {
                       const double r = brim * std::sqrt(g.next()), a = 2 * kPi * g.next();
                       p.p = top + Vec{r * std::cos(a), r * std::sin(a), 0};
                       if (head.contains(p.p)) return false;
                       p.n = {0, 0, g.next() < 0.5 ? 1.0 : -1.0};
                       p.r = p.g = p.b = Shade(30, 16, g);
                       return true;
                     }});
    parts.push_back({2 * kPi * crown * height + kPi * crown * crown, [=](Lcg& g, Point& p) {
                       const double a = 2 * kPi * g.next();
                       if (g.next() * (2 * height + crown) < crown) {  // the lid
                         const double r = crown * std::sqrt(g.next());
                         p.p = top + Vec{r * std::cos(a), r * std::sin(a), height};
                         p.n = {0, 0, 1};
                       } else {
                         p.p = top + Vec{crown * std::cos(a), crown * std::sin(a), height * g.next()};
                         p.n = {std::cos(a), std::sin(a), 0};
                       }
                       const bool band = p.p.z - top.z < 0.8 && p.n.z == 0;
                       p.r = band ? Shade(200, 20, g) : Shade(30, 16, g);
                       p.g = band ? Shade(30, 20, g) : p.r;
                       p.b = band ? Shade(40, 20, g) : p.r;
                       return true;
                     }});
  }
  return Sample(parts, 300000, rng);
}

std::vector<Point> Tree(Lcg& rng) {
  const Vec base{130, 80, 0};
  std::vector<Surface> parts;
  parts.push_back({2 * kPi * 1.2 * 8, [=](Lcg& g, Point& p) {
                     const double a = 2 * kPi * g.next();
                     p.p = base + Vec{1.2 * std::cos(a), 1.2 * std::sin(a), 8 * g.next()};
                     p.r = Shade(110, 30, g);
                     p.g = Shade(75, 20, g);
                     p.b = Shade(40, 15, g);
                     return true;
                   }});
  // Three stacked cones of needles.
  for (int tier = 0; tier < 3; ++tier) {
    const double z0 = 5 + tier * 6.0, h = 11 - tier * 2.0, r = 7 - tier * 1.8;
    parts.push_back(
        {kPi * r * std::sqrt(h * h + r * r), [=](Lcg& g, Point& p) {
           const double t = 1 - std::sqrt(g.next()), a = 2 * kPi * g.next();
           const double jitter = (g.next() - 0.5) * 0.6;
           p.p = base + Vec{(1 - t) * r * std::cos(a) + jitter, (1 - t) * r * std::sin(a) - jitter, z0 + t * h};
           p.r = Shade(40, 30, g);
           p.g = Shade(120 + 40 * tier, 50, g);
           p.b = Shade(45, 30, g);
           return true;
         }});
  }
  return Sample(parts, 60000, rng);
}

bool WriteBinary(const char* path, const std::vector<Point>& points) {
  std::ofstream out(path, std::ios::binary);
  out << "ply\nformat binary_little_endian 1.0\ncomment a snowman, made by make_sample_clouds\n"
      << "element vertex " << points.size()
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty float nx\nproperty float ny\n"
         "property float nz\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
  for (const Point& p : points) {
    const float v[6] = {static_cast<float>(p.p.x), static_cast<float>(p.p.y), static_cast<float>(p.p.z),
                        static_cast<float>(p.n.x), static_cast<float>(p.n.y), static_cast<float>(p.n.z)};
    char record[27];
    std::memcpy(record, v, 24);  // little-endian machines only, as the build is
    record[24] = static_cast<char>(p.r);
    record[25] = static_cast<char>(p.g);
    record[26] = static_cast<char>(p.b);
    out.write(record, sizeof record);
  }
  return static_cast<bool>(out);
}

bool WriteAscii(const char* path, const std::vector<Point>& points) {
  std::ofstream out(path, std::ios::binary);
  out << "ply\nformat ascii 1.0\ncomment a tree without normals, made by make_sample_clouds\n"
      << "element vertex " << points.size()
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\nproperty uchar green\n"
         "property uchar blue\nend_header\n";
  char line[128];
  for (const Point& p : points) {
    std::snprintf(line, sizeof line, "%.4f %.4f %.4f %d %d %d\n", p.p.x, p.p.y, p.p.z, p.r, p.g, p.b);
    out << line;
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs("usage: make_sample_clouds SNOWMAN.ply TREE.ply\n", stdout);
    return 0;
  }
  // Output names are plain paths: anything that looks like an option is refused.
  bool option = false;
  for (int i = 1; i < argc; ++i) option = option || argv[i][0] == '-';
  if (argc != 3 || option) {
    std::fprintf(stderr, "usage: make_sample_clouds SNOWMAN.ply TREE.ply\n");
    return 2;
  }
  Lcg rng;
  if (!WriteBinary(argv[1], Snowman(rng))) {
    std::fprintf(stderr, "make_sample_clouds: cannot write %s\n", argv[1]);
    return 1;
  }
  if (!WriteAscii(argv[2], Tree(rng))) {
    std::fprintf(stderr, "make_sample_clouds: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
