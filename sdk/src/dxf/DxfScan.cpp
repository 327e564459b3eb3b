#include "DxfScan.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace oddxf {

namespace {

struct Pair {
  int code;
  std::string value;
  int line;
};

enum class ValueKind { kText, kReal, kInteger };

// The value types of the group-code ranges of the DXF reference.
ValueKind KindOf(int code) {
  if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
      (code >= 460 && code <= 469) || (code >= 1010 && code <= 1059))
    return ValueKind::kReal;
  if ((code >= 60 && code <= 99) || (code >= 170 && code <= 179) || (code >= 270 && code <= 289) ||
      (code >= 370 && code <= 389) || (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
      (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071) || code == 290 || (code >= 280 && code <= 299))
    return ValueKind::kInteger;
  return ValueKind::kText;
}

std::string Trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

bool ParseInt(const std::string& text, long long& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(t.c_str(), &end, 10);
  return errno == 0 && end == t.c_str() + t.size();
}

bool ParseReal(const std::string& text, double& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  value = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size() && std::isfinite(value);
}

// The AutoCAD colour index's first entries; others map to grey shades of
// their index so that drawings stay readable.
OdUInt32 AciColor(long long index) {
  static const OdUInt32 table[] = {0xFFFFFF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF,
                                   0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};
  if (index < 0) index = -index;  // a negative index means "layer off": the colour stays
  if (index >= 1 && index <= 9) return table[index];
  if (index >= 250 && index <= 255) {
    const OdUInt32 v = static_cast<OdUInt32>(51 + (index - 250) * 40);
    return (v << 16) | (v << 8) | v;
  }
  return 0xFFFFFF;
}

class Scanner {
 public:
  Scanner(const char* data, std::size_t size) : m_data(data), m_size(size) {}

  bool nextLine(std::string& line) {
    if (m_pos >= m_size) return false;
    const char* start = m_data + m_pos;
    const void* nl = std::memchr(start, '\n', m_size - m_pos);
    const std::size_t len =
        nl != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : m_size - m_pos;
    line.assign(start, len);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_pos += len + (nl != nullptr ? 1 : 0);
    ++m_line;
    return true;
  }
  int line() const { return m_line; }

 private:
  const char* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
  int m_line = 0;
};

std::string At(int line) { return "line " + std::to_string(line) + ": "; }

bool IsSupported(const std::string& type) {
  return type == "LINE" || type == "ARC" || type == "CIRCLE" || type == "LWPOLYLINE" || type == "POLYLINE" ||
         type == "SPLINE";
}

// An object between two code-0 pairs.
struct Group {
  std::vector<Pair> pairs;
  const std::string& type() const { return pairs.front().value; }
  int count(int code) const {
    int n = 0;
    for (const Pair& p : pairs) n += p.code == code;
    return n;
  }
  const Pair* find(int code) const {
    for (const Pair& p : pairs)
      if (p.code == code) return &p;
    return nullptr;
  }
  long long integer(int code, long long fallback) const {
    long long v;
    const Pair* p = find(code);
    return p != nullptr && ParseInt(p->value, v) ? v : fallback;
  }
  double real(int code, double fallback) const {
    double v;
    const Pair* p = find(code);
    return p != nullptr && ParseReal(p->value, v) ? v : fallback;
  }
};

void Emit(std::string& out, const Group& g) {
  for (const Pair& p : g.pairs) {
    if (p.code >= 1000) continue;  // extended data: nothing dxflib needs
    out += std::to_string(p.code);
    out += '\n';
    out += Trim(p.value);
    out += '\n';
  }
}

EntityInfo InfoOf(const Group& g) {
  EntityInfo info;
  info.type = g.type();
  info.line = g.pairs.front().line;
  if (const Pair* h = g.find(5)) info.handle = Trim(h->value);
  if (g.find(420) != nullptr) {
    info.color = static_cast<OdUInt32>(g.integer(420, 0xFFFFFF)) & 0xFFFFFFu;
  } else if (g.find(62) != nullptr) {
    info.color = AciColor(g.integer(62, 7));
  }
  info.invisible = g.integer(60, 0) == 1;
  info.extrusion = OdGeVector3d(g.real(210, 0.0), g.real(220, 0.0), g.real(230, 1.0));
  info.elevation = info.type == "LWPOLYLINE" ? g.real(38, 0.0) : g.real(30, 0.0);
  info.flags = static_cast<int>(g.integer(70, 0));
  return info;
}

// Counts that dxflib trusts when it sizes its arrays must match the data.
bool CheckEntity(const Group& g, std::string& message) {
  const std::string& type = g.type();
  const std::string where = At(g.pairs.front().line) + type + ": ";
  if (type == "LWPOLYLINE") {
    if (g.find(90) == nullptr || g.integer(90, -1) != g.count(10) || g.count(10) != g.count(20)) {
      message = where + "the vertex count does not match its vertices";
      return false;
    }
  } else if (type == "SPLINE") {
    const long long knots = g.integer(72, 0), controls = g.integer(73, 0), fits = g.integer(74, 0);
    if (knots != g.count(40) || controls != g.count(10) || fits != g.count(11) || g.count(41) > g.count(10)) {
      message = where + "the knot, control point or fit point counts do not match the data";
      return false;
    }
    const long long degree = g.integer(71, 0);
    if (degree < 1 || degree > 11) {
      message = where + "degree " + std::to_string(degree) + " is not supported";
      return false;
    }
  }
  return true;
}

ViewportInfo ViewportOf(const Group& g) {
  ViewportInfo v;
  if (const Pair* p = g.find(2)) v.name = Trim(p->value);
  if (const Pair* h = g.find(5)) v.handle = Trim(h->value);
  v.lowerLeft = OdGePoint2d(g.real(10, 0.0), g.real(20, 0.0));
  v.upperRight = OdGePoint2d(g.real(11, 1.0), g.real(21, 1.0));
  v.center = OdGePoint2d(g.real(12, 0.0), g.real(22, 0.0));
  v.direction = OdGeVector3d(g.real(16, 0.0), g.real(26, 0.0), g.real(36, 1.0));
  v.target = OdGePoint3d(g.real(17, 0.0), g.real(27, 0.0), g.real(37, 0.0));
  v.height = g.real(40, 10.0);
  v.aspect = g.real(41, 1.0);
  v.lens = g.real(42, 50.0);
  v.twist = g.real(51, 0.0);
  v.viewMode = static_cast<int>(g.integer(71, 0));
  return v;
}

}  // namespace

bool ScanDxf(const char* data, std::size_t size, ScanResult& result, std::string& message) {
  static const char kBinarySentinel[] = "AutoCAD Binary DXF";
  if (size >= sizeof kBinarySentinel - 1 && std::memcmp(data, kBinarySentinel, sizeof kBinarySentinel - 1) == 0) {
    message = "binary DXF files are not supported (save it as ASCII DXF)";
    return false;
  }
  Scanner scanner(data, size);
  std::vector<Group> groups;
  std::string codeLine, valueLine;
  bool sawEof = false;
  while (scanner.nextLine(codeLine)) {
    const int line = scanner.line();
    if (Trim(codeLine).empty() && groups.empty()) continue;  // leading blank lines
    long long code;
    if (!ParseInt(codeLine, code) || code < -5 || code > 1071) {
      message = At(line) + "a group code was expected";
      return false;
    }
    if (!scanner.nextLine(valueLine)) {
      message = At(line) + "the file ends after a group code (it is truncated)";
      return false;
    }
    const int c = static_cast<int>(code);
    switch (KindOf(c)) {
      case ValueKind::kReal: {
        double v;
        if (!ParseReal(valueLine, v)) {
          message = At(scanner.line()) + "the value of group code " + std::to_string(c) + " is not a number";
          return false;
        }
        break;
      }
      case ValueKind::kInteger: {
        long long v;
        if (!ParseInt(valueLine, v) && !(c >= 280 && c <= 299)) {
          message = At(scanner.line()) + "the value of group code " + std::to_string(c) + " is not a whole number";
          return false;
        }
        break;
      }
      case ValueKind::kText:
        break;
    }
    if (c == 999) continue;  // comment
    if (c == 0) {
      groups.push_back(Group{});
      groups.back().pairs.push_back(Pair{0, Trim(valueLine), scanner.line()});
      if (groups.back().type() == "EOF") {
        sawEof = true;
        break;
      }
      continue;
    }
    if (groups.empty()) {
      message = At(line) + "the file does not start with a section";
      return false;
    }
    groups.back().pairs.push_back(Pair{c, valueLine, scanner.line()});
  }
  if (!sawEof) {
    message = groups.empty() ? std::string("the file is empty or not a DXF file")
                             : "the file ends without EOF (it is truncated)";
    return false;
  }

  // Sections, and what is kept of them.
  std::string section;
  bool inSection = false;
  std::string out = "0\nSECTION\n2\nENTITIES\n";
  std::size_t i = 0;
  while (i < groups.size()) {
    const Group& g = groups[i];
    const std::string& type = g.type();
    if (type == "SECTION") {
      if (inSection) {
        message = At(g.pairs.front().line) + "a section starts inside another one";
        return false;
      }
      const Pair* name = g.find(2);
      if (name == nullptr) {
        message = At(g.pairs.front().line) + "a section has no name";
        return false;
      }
      inSection = true;
      section = Trim(name->value);
      ++i;
      continue;
    }
    if (type == "ENDSEC") {
      if (!inSection) {
        message = At(g.pairs.front().line) + "ENDSEC without a section";
        return false;
      }
      inSection = false;
      ++i;
      continue;
    }
    if (type == "EOF") {
      if (inSection) {
        message = At(g.pairs.front().line) + "the section " + section + " is not closed";
        return false;
      }
      break;
    }
    if (!inSection) {
      message = At(g.pairs.front().line) + type + " outside a section";
      return false;
    }
    if (section == "TABLES" && type == "VPORT" && g.find(2) != nullptr) {
      result.viewports.push_back(ViewportOf(g));
      ++i;
      continue;
    }
    if (section != "ENTITIES" || !IsSupported(type)) {
      ++i;
      continue;
    }
    if (!CheckEntity(g, message)) return false;
    if (type == "POLYLINE") {
      // The header, its vertices and SEQEND. Meshes and polyface meshes are
      // not curves and are passed over, as are spline frame control points.
      const long long flags = g.integer(70, 0);
      const bool mesh = (flags & (16 | 64)) != 0;
      std::size_t j = i + 1;
      std::vector<const Group*> vertices;
      while (j < groups.size() && groups[j].type() == "VERTEX") vertices.push_back(&groups[j++]);
      if (j >= groups.size() || groups[j].type() != "SEQEND") {
        message = At(g.pairs.front().line) + "POLYLINE: its vertices are not closed by SEQEND";
        return false;
      }
      if (!mesh) {
        Emit(out, g);
        for (const Group* v : vertices)
          if ((v->integer(70, 0) & 16) == 0) Emit(out, *v);
        out += "0\nSEQEND\n";
        result.entities.push_back(InfoOf(g));
      }
      i = j + 1;
      continue;
    }
    Emit(out, g);
    result.entities.push_back(InfoOf(g));
    ++i;
  }
  out += "0\nENDSEC\n0\nEOF\n";
  result.cleanText = std::move(out);
  return true;
}

}  // namespace oddxf
