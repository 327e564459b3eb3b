#include "host/PointCloudReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <sys/stat.h>

namespace host {

void PointCloudData::clear() {
  xyz.clear();
  xyz.shrink_to_fit();
  normals.clear();
  normals.shrink_to_fit();
  colors.clear();
  colors.shrink_to_fit();
}

namespace {

// ---- small text helpers ---------------------------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::string Shown(std::string_view text) {
  std::string shown;
  for (char c : text.substr(0, 40)) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  if (text.size() > 40) shown += "...";
  return shown;
}

bool ParseDouble(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseCount(std::string_view text, std::uint64_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string Number(std::uint64_t n) { return std::to_string(n); }

// Colour components arrive as 0..255, 0..65535 or 0..1; each kind is scaled
// to 0..255 and clamped.
std::uint32_t Component(double value, double scale) {
  const double v = value * scale;
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint32_t>(v + 0.5);
}

// Finite, and still finite once stored as a float (a double of 1e300 is not).
bool FiniteFloat(double v) { return std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max()); }
bool Finite3(double a, double b, double c) { return FiniteFloat(a) && FiniteFloat(b) && FiniteFloat(c); }

// ---- PLY -----------------------------------------------------------------------------

enum class PlyType { kInt8, kUInt8, kInt16, kUInt16, kInt32, kUInt32, kFloat32, kFloat64 };

bool ParsePlyType(std::string_view name, PlyType& type) {
  static const struct {
    const char* name;
    PlyType type;
  } kTypes[] = {{"char", PlyType::kInt8},     {"int8", PlyType::kInt8},       {"uchar", PlyType::kUInt8},
                {"uint8", PlyType::kUInt8},   {"short", PlyType::kInt16},     {"int16", PlyType::kInt16},
                {"ushort", PlyType::kUInt16}, {"uint16", PlyType::kUInt16},   {"int", PlyType::kInt32},
                {"int32", PlyType::kInt32},   {"uint", PlyType::kUInt32},     {"uint32", PlyType::kUInt32},
                {"float", PlyType::kFloat32}, {"float32", PlyType::kFloat32}, {"double", PlyType::kFloat64},
                {"float64", PlyType::kFloat64}};
  for (const auto& t : kTypes) {
    if (name == t.name) {
      type = t.type;
      return true;
    }
  }
  return false;
}

std::size_t SizeOf(PlyType type) {
  switch (type) {
    case PlyType::kInt8:
    case PlyType::kUInt8:
      return 1;
    case PlyType::kInt16:
    case PlyType::kUInt16:
      return 2;
    case PlyType::kInt32:
    case PlyType::kUInt32:
    case PlyType::kFloat32:
      return 4;
    case PlyType::kFloat64:
      return 8;
  }
  return 1;
}

// The factor that takes a colour component of this type to 0..255.
double ColorScale(PlyType type) {
  switch (type) {
    case PlyType::kFloat32:
    case PlyType::kFloat64:
      return 255.0;
    case PlyType::kInt16:
    case PlyType::kUInt16:
      return 255.0 / 65535.0;
    default:
      return 1.0;
  }
}

struct PlyProperty {
  std::string name;
  PlyType type = PlyType::kFloat32;
  bool isList = false;
  PlyType countType = PlyType::kUInt8;
};

struct PlyElement {
  std::string name;
  std::uint64_t count = 0;
  std::vector<PlyProperty> properties;
};

enum class PlyFormat { kAscii, kLittle, kBig };

template <class T>
T Load(const char* p, bool swap) {
  T value;
  std::memcpy(&value, p, sizeof value);
  if (swap) {
    if constexpr (sizeof(T) == 2) {
      std::uint16_t bits;
      std::memcpy(&bits, &value, 2);
      bits = static_cast<std::uint16_t>((bits >> 8) | (bits << 8));
      std::memcpy(&value, &bits, 2);
    } else if constexpr (sizeof(T) == 4) {
      std::uint32_t bits;
      std::memcpy(&bits, &value, 4);
      bits = __builtin_bswap32(bits);
      std::memcpy(&value, &bits, 4);
    } else if constexpr (sizeof(T) == 8) {
      std::uint64_t bits;
      std::memcpy(&bits, &value, 8);
      bits = __builtin_bswap64(bits);
      std::memcpy(&value, &bits, 8);
    }
  }
  return value;
}

double LoadValue(const char* p, PlyType type, bool swap) {
  switch (type) {
    case PlyType::kInt8:
      return static_cast<std::int8_t>(*p);
    case PlyType::kUInt8:
      return static_cast<std::uint8_t>(*p);
    case PlyType::kInt16:
      return Load<std::int16_t>(p, swap);
    case PlyType::kUInt16:
      return Load<std::uint16_t>(p, swap);
    case PlyType::kInt32:
      return Load<std::int32_t>(p, swap);
    case PlyType::kUInt32:
      return Load<std::uint32_t>(p, swap);
    case PlyType::kFloat32:
      return Load<float>(p, swap);
    case PlyType::kFloat64:
      return Load<double>(p, swap);
  }
  return 0.0;
}

// Where the wanted values sit in a vertex record: property indices, -1 when
// absent.
struct VertexLayout {
  int x = -1, y = -1, z = -1;
  int nx = -1, ny = -1, nz = -1;
  int r = -1, g = -1, b = -1;
  bool hasNormals() const { return nx >= 0 && ny >= 0 && nz >= 0; }
  bool hasColors() const { return r >= 0 && g >= 0 && b >= 0; }
};

bool ReadPlyHeader(const char* data, std::size_t size, PlyFormat& format, std::vector<PlyElement>& elements,
                   std::size_t& bodyStart, std::string& error) {
  std::size_t pos = 0;
  const auto nextLine = [&](std::string_view& line) {
    if (pos >= size) return false;
    const void* end = std::memchr(data + pos, '\n', size - pos);
    if (end == nullptr) return false;  // a header line always ends with a line end
    const std::size_t stop = static_cast<const char*>(end) - data;
    line = std::string_view(data + pos, stop - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = stop + 1;
    return true;
  };
  std::string_view line;
  if (!nextLine(line) || Trim(line) != "ply") {
    error = "not a PLY file (it does not start with \"ply\")";
    return false;
  }
  bool haveFormat = false;
  for (int lineNo = 2;; ++lineNo) {
    if (pos > (1u << 20)) {
      error = "the PLY header is longer than 1 MiB";
      return false;
    }
    if (!nextLine(line)) {
      error = "the PLY header ends before \"end_header\"";
      return false;
    }
    const auto words = Words(line);
    if (words.empty()) continue;
    const std::string_view key = words[0];
    if (key == "end_header") break;
    if (key == "comment" || key == "obj_info") continue;
    const std::string where = " in header line " + Number(static_cast<std::uint64_t>(lineNo));
    if (key == "format") {
      if (words.size() != 3 || words[2] != "1.0") {
        error = "unsupported PLY format line" + where;
        return false;
      }
      if (words[1] == "ascii") format = PlyFormat::kAscii;
      else if (words[1] == "binary_little_endian") format = PlyFormat::kLittle;
      else if (words[1] == "binary_big_endian") format = PlyFormat::kBig;
      else {
        error = "unknown PLY format \"" + Shown(words[1]) + "\"";
        return false;
      }
      haveFormat = true;
    } else if (key == "element") {
      PlyElement element;
      if (words.size() != 3 || !ParseCount(words[2], element.count)) {
        error = "bad element line" + where;
        return false;
      }
      if (elements.size() >= 64) {
        error = "too many elements in the PLY header";
        return false;
      }
      element.name = std::string(words[1]);
      elements.push_back(std::move(element));
    } else if (key == "property") {
      if (elements.empty()) {
        error = "a property before any element" + where;
        return false;
      }
      PlyProperty property;
      if (words.size() == 3 && ParsePlyType(words[1], property.type)) {
        property.name = std::string(words[2]);
      } else if (words.size() == 5 && words[1] == "list" && ParsePlyType(words[2], property.countType) &&
                 ParsePlyType(words[3], property.type)) {
        property.isList = true;
        property.name = std::string(words[4]);
        if (property.countType == PlyType::kFloat32 || property.countType == PlyType::kFloat64) {
          error = "a list counted by a floating-point type" + where;
          return false;
        }
      } else {
        error = "bad property line" + where;
        return false;
      }
      if (elements.back().properties.size() >= 256) {
        error = "too many properties in a PLY element";
        return false;
      }
      elements.back().properties.push_back(std::move(property));
    } else {
      error = "unknown PLY header line \"" + Shown(line) + "\"";
      return false;
    }
  }
  if (!haveFormat) {
    error = "the PLY header has no format line";
    return false;
  }
  bodyStart = pos;
  return true;
}

bool FindVertexLayout(const PlyElement& vertex, VertexLayout& layout, std::string& error) {
  for (std::size_t i = 0; i < vertex.properties.size(); ++i) {
    const PlyProperty& p = vertex.properties[i];
    const int index = static_cast<int>(i);
    int* slot = nullptr;
    if (p.name == "x") slot = &layout.x;
    else if (p.name == "y") slot = &layout.y;
    else if (p.name == "z") slot = &layout.z;
    else if (p.name == "nx") slot = &layout.nx;
    else if (p.name == "ny") slot = &layout.ny;
    else if (p.name == "nz") slot = &layout.nz;
    else if (p.name == "red" || p.name == "r" || p.name == "diffuse_red") slot = &layout.r;
    else if (p.name == "green" || p.name == "g" || p.name == "diffuse_green") slot = &layout.g;
    else if (p.name == "blue" || p.name == "b" || p.name == "diffuse_blue") slot = &layout.b;
    if (slot == nullptr) continue;
    if (p.isList) {
      error = "the vertex property " + p.name + " is a list";
      return false;
    }
    if (*slot < 0) *slot = index;
  }
  if (layout.x < 0 || layout.y < 0 || layout.z < 0) {
    error = "the vertex element has no x, y and z";
    return false;
  }
  return true;
}

// Binary body: a cursor over the bytes, which never reads past the end.
class BinaryCursor {
 public:
  BinaryCursor(const char* data, std::size_t size, bool swap) : m_data(data), m_size(size), m_swap(swap) {}
  std::size_t left() const { return m_size - m_pos; }
  const char* here() const { return m_data + m_pos; }
  bool skip(std::size_t bytes) {
    if (bytes > left()) return false;
    m_pos += bytes;
    return true;
  }
  // Skips a whole record of element (lists included).
  bool skipRecord(const PlyElement& element) {
    for (const PlyProperty& p : element.properties) {
      if (!p.isList) {
        if (!skip(SizeOf(p.type))) return false;
        continue;
      }
      if (left() < SizeOf(p.countType)) return false;
      const double count = LoadValue(here(), p.countType, m_swap);
      m_pos += SizeOf(p.countType);
      if (count < 0) return false;
      const double bytes = count * static_cast<double>(SizeOf(p.type));
      if (bytes > static_cast<double>(left())) return false;
      m_pos += static_cast<std::size_t>(bytes);
    }
    return true;
  }
  bool swap() const { return m_swap; }

 private:
  const char* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
  bool m_swap;
};

struct CloudSink {
  PointCloudData& cloud;
  const VertexLayout& layout;
  double colorScale[3];
  std::uint64_t index = 0;
  // Values of one record, by property index.
  bool add(const double* v, std::string& error) {
    const double x = v[layout.x], y = v[layout.y], z = v[layout.z];
    if (!Finite3(x, y, z)) {
      error = "point " + Number(index + 1) + " has a coordinate that is not a finite number in single precision";
      return false;
    }
    float* p = &cloud.xyz[3 * index];
    p[0] = static_cast<float>(x);
    p[1] = static_cast<float>(y);
    p[2] = static_cast<float>(z);
    if (layout.hasNormals()) {
      const double nx = v[layout.nx], ny = v[layout.ny], nz = v[layout.nz];
      float* n = &cloud.normals[3 * index];
      if (Finite3(nx, ny, nz)) {
        n[0] = static_cast<float>(nx);
        n[1] = static_cast<float>(ny);
        n[2] = static_cast<float>(nz);
      } else {
        n[0] = n[1] = n[2] = 0.0f;  // unknown here
      }
    }
    if (layout.hasColors()) {
      cloud.colors[index] = (Component(v[layout.r], colorScale[0]) << 16) |
                            (Component(v[layout.g], colorScale[1]) << 8) | Component(v[layout.b], colorScale[2]);
    }
    ++index;
    return true;
  }
};

bool ReadBinaryVertices(BinaryCursor& cursor, const PlyElement& vertex, CloudSink& sink, std::string& error) {
  // The common case: no lists, so every record has the same size and the
  // offsets of the wanted values are fixed.
  bool fixed = true;
  std::size_t recordSize = 0;
  std::vector<std::size_t> offsets;
  for (const PlyProperty& p : vertex.properties) {
    offsets.push_back(recordSize);
    if (p.isList) fixed = false;
    recordSize += SizeOf(p.type);
  }
  std::vector<double> values(vertex.properties.size(), 0.0);
  const bool swap = cursor.swap();
  if (fixed) {
    if (recordSize == 0 || vertex.count > cursor.left() / recordSize) {
      error = "the file is truncated: it holds " + Number(cursor.left() / std::max<std::size_t>(recordSize, 1)) +
              " of the " + Number(vertex.count) + " points its header announces";
      return false;
    }
    const VertexLayout& l = sink.layout;
    const int wanted[] = {l.x, l.y, l.z, l.nx, l.ny, l.nz, l.r, l.g, l.b};
    // The usual layout (x, y, z as leading little-endian floats) gets a
    // straight copy path; everything else goes through LoadValue.
    const bool plainFloats = !swap && std::endian::native == std::endian::little && l.x == 0 && l.y == 1 &&
                             l.z == 2 && vertex.properties[0].type == PlyType::kFloat32 &&
                             vertex.properties[1].type == PlyType::kFloat32 &&
                             vertex.properties[2].type == PlyType::kFloat32;
    const char* base = cursor.here();
    for (std::uint64_t i = 0; i < vertex.count; ++i) {
      const char* record = base + i * recordSize;
      if (plainFloats) {
        float xyz[3];
        std::memcpy(xyz, record, sizeof xyz);
        values[0] = xyz[0];
        values[1] = xyz[1];
        values[2] = xyz[2];
        for (int k = 3; k < 9; ++k) {
          if (wanted[k] >= 0) values[wanted[k]] = LoadValue(record + offsets[wanted[k]], vertex.properties[wanted[k]].type, false);
        }
      } else {
        for (int w : wanted) {
          if (w >= 0) values[w] = LoadValue(record + offsets[w], vertex.properties[w].type, swap);
        }
      }
      if (!sink.add(values.data(), error)) return false;
    }
    cursor.skip(vertex.count * recordSize);
    return true;
  }
  for (std::uint64_t i = 0; i < vertex.count; ++i) {
    for (std::size_t k = 0; k < vertex.properties.size(); ++k) {
      const PlyProperty& p = vertex.properties[k];
      if (p.isList) {
        PlyElement one;
        one.properties.push_back(p);
        if (!cursor.skipRecord(one)) {
          error = "the file is truncated in point " + Number(i + 1) + " of " + Number(vertex.count);
          return false;
        }
        continue;
      }
      if (cursor.left() < SizeOf(p.type)) {
        error = "the file is truncated in point " + Number(i + 1) + " of " + Number(vertex.count);
        return false;
      }
      values[k] = LoadValue(cursor.here(), p.type, swap);
      cursor.skip(SizeOf(p.type));
    }
    if (!sink.add(values.data(), error)) return false;
  }
  return true;
}

// ASCII body: one record per line.
class TextCursor {
 public:
  TextCursor(const char* data, std::size_t size) : m_data(data), m_size(size) {}
  // The next line that is not empty; false at the end.
  bool nextLine(std::string_view& line) {
    while (m_pos < m_size) {
      const void* end = std::memchr(m_data + m_pos, '\n', m_size - m_pos);
      const std::size_t stop = end != nullptr ? static_cast<const char*>(end) - m_data : m_size;
      line = std::string_view(m_data + m_pos, stop - m_pos);
      m_pos = stop + 1;
      ++m_line;
      line = Trim(line);
      if (!line.empty()) return true;
    }
    return false;
  }
  std::size_t left() const { return m_pos < m_size ? m_size - m_pos : 0; }
  std::uint64_t lineNumber() const { return m_line; }

 private:
  const char* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
  std::uint64_t m_line = 0;
};

// Splits line into numbers; false on text that is not a number.
bool SplitNumbers(std::string_view line, std::vector<double>& values, bool commas) {
  values.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (IsBlank(line[i]) || (commas && line[i] == ','))) ++i;
    if (i >= line.size()) break;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i]) && !(commas && line[i] == ',')) ++i;
    double v;
    if (!ParseDouble(line.substr(start, i - start), v)) return false;
    values.push_back(v);
  }
  return true;
}

bool ReadAsciiRecord(TextCursor& text, const PlyElement& element, std::vector<double>& values,
                     std::vector<double>& record, std::string& error, const char* what, std::uint64_t index) {
  std::string_view line;
  if (!text.nextLine(line)) {
    error = "the file is truncated: it ends in " + std::string(what) + " " + Number(index + 1) + " of " +
            Number(element.count);
    return false;
  }
  if (!SplitNumbers(line, values, false)) {
    error = "line " + Number(text.lineNumber()) + " holds text that is not a number";
    return false;
  }
  record.assign(element.properties.size(), 0.0);
  std::size_t at = 0;
  for (std::size_t k = 0; k < element.properties.size(); ++k) {
    const PlyProperty& p = element.properties[k];
    if (at >= values.size()) {
      error = text.left() == 0 ? "the file is truncated: its last line, " + Number(text.lineNumber()) + ", ends early"
                               : "line " + Number(text.lineNumber()) + " has too few values";
      return false;
    }
    if (!p.isList) {
      record[k] = values[at++];
      continue;
    }
    const double count = values[at++];
    if (!(count >= 0) || count > static_cast<double>(values.size() - at)) {
      error = "line " + Number(text.lineNumber()) + " has a bad list";
      return false;
    }
    at += static_cast<std::size_t>(count);
  }
  if (at != values.size()) {
    error = "line " + Number(text.lineNumber()) + " has too many values";
    return false;
  }
  return true;
}

bool Allocate(PointCloudData& cloud, std::uint64_t count, bool normals, bool colors, std::string& error) {
  try {
    cloud.xyz.resize(static_cast<std::size_t>(count) * 3);
    if (normals) cloud.normals.resize(static_cast<std::size_t>(count) * 3);
    if (colors) cloud.colors.resize(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    cloud.clear();
    error = "not enough memory for " + Number(count) + " points";
    return false;
  } catch (const std::length_error&) {
    cloud.clear();
    error = "not enough memory for " + Number(count) + " points";
    return false;
  }
  return true;
}

}  // namespace

bool ReadPlyCloud(const char* data, std::size_t size, PointCloudData& cloud, std::string& error) {
  cloud.clear();
  error.clear();
  PlyFormat format = PlyFormat::kAscii;
  std::vector<PlyElement> elements;
  std::size_t bodyStart = 0;
  if (data == nullptr || !ReadPlyHeader(data, size, format, elements, bodyStart, error)) return false;
  std::size_t vertexIndex = elements.size();
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].name == "vertex") {
      vertexIndex = i;
      break;
    }
  }
  if (vertexIndex == elements.size()) {
    error = "the PLY file has no vertex element";
    return false;
  }
  const PlyElement& vertex = elements[vertexIndex];
  VertexLayout layout;
  if (!FindVertexLayout(vertex, layout, error)) return false;
  if (vertex.count == 0) {
    error = "the PLY file holds no points";
    return false;
  }
  if (vertex.count > kMaxCloudPoints) {
    error = "the header announces " + Number(vertex.count) + " points, more than the " + Number(kMaxCloudPoints) +
            " a cloud may have";
    return false;
  }
  const std::size_t bodySize = size - bodyStart;
  // Each point needs at least one byte per property in binary and two
  // characters per value in text: a count the file cannot hold is refused
  // before anything is allocated.
  const std::uint64_t minRecord = format == PlyFormat::kAscii ? vertex.properties.size() * 2 : vertex.properties.size();
  if (vertex.count > bodySize / std::max<std::uint64_t>(minRecord, 1)) {
    error = "the file is truncated: its " + Number(bodySize) + " bytes of data cannot hold the " +
            Number(vertex.count) + " points its header announces";
    return false;
  }
  if (!Allocate(cloud, vertex.count, layout.hasNormals(), layout.hasColors(), error)) return false;
  CloudSink sink{cloud, layout, {1.0, 1.0, 1.0}};
  if (layout.hasColors()) {
    sink.colorScale[0] = ColorScale(vertex.properties[layout.r].type);
    sink.colorScale[1] = ColorScale(vertex.properties[layout.g].type);
    sink.colorScale[2] = ColorScale(vertex.properties[layout.b].type);
  }

  bool ok = true;
  if (format == PlyFormat::kAscii) {
    TextCursor text(data + bodyStart, bodySize);
    std::vector<double> values, record;
    for (std::size_t e = 0; ok && e < vertexIndex; ++e) {
      for (std::uint64_t i = 0; ok && i < elements[e].count; ++i)
        ok = ReadAsciiRecord(text, elements[e], values, record, error, "record", i);
    }
    for (std::uint64_t i = 0; ok && i < vertex.count; ++i) {
      ok = ReadAsciiRecord(text, vertex, values, record, error, "point", i) && sink.add(record.data(), error);
    }
  } else {
    const bool swap = (format == PlyFormat::kBig) != (std::endian::native == std::endian::big);
    BinaryCursor cursor(data + bodyStart, bodySize, swap);
    for (std::size_t e = 0; ok && e < vertexIndex; ++e) {
      for (std::uint64_t i = 0; ok && i < elements[e].count; ++i) {
        if (!cursor.skipRecord(elements[e])) {
          error = "the file is truncated in its " + elements[e].name + " element";
          ok = false;
        }
      }
    }
    if (ok) ok = ReadBinaryVertices(cursor, vertex, sink, error);
  }
  if (!ok) {
    cloud.clear();
    return false;
  }
  return true;
}

bool ReadXyzCloud(const char* data, std::size_t size, PointCloudData& cloud, std::string& error) {
  cloud.clear();
  error.clear();
  if (data == nullptr) size = 0;
  TextCursor text(data, size);
  std::vector<double> values;
  std::size_t columns = 0;
  std::string_view line;
  try {
    while (text.nextLine(line)) {
      if (line.front() == '#' || line.substr(0, 2) == "//") continue;
      if (!SplitNumbers(line, values, true)) {
        error = "line " + Number(text.lineNumber()) + " holds text that is not a number";
        cloud.clear();
        return false;
      }
      if (columns == 0) {
        columns = values.size();
        if (columns != 3 && columns != 6 && columns != 9) {
          error = "line " + Number(text.lineNumber()) + " has " + Number(columns) +
                  " values; a point line has 3 (x y z), 6 (with normals) or 9 (with normals and colours)";
          return false;
        }
        // The first line tells the size of a line: reserve for the whole
        // file at once (a guess; the vectors still grow when it is short).
        const std::size_t guess = std::min<std::size_t>(size / (line.size() + 1) + 1, kMaxCloudPoints);
        cloud.xyz.reserve(guess * 3);
        if (columns >= 6) cloud.normals.reserve(guess * 3);
        if (columns == 9) cloud.colors.reserve(guess);
      } else if (values.size() != columns) {
        error = "line " + Number(text.lineNumber()) + " has " + Number(values.size()) + " values where the lines before have " +
                Number(columns) + " (is the file truncated?)";
        cloud.clear();
        return false;
      }
      if (!Finite3(values[0], values[1], values[2])) {
        error = "line " + Number(text.lineNumber()) + " has a coordinate that is not a finite number in single precision";
        cloud.clear();
        return false;
      }
      if (cloud.size() >= kMaxCloudPoints) {
        error = "the file holds more than the " + Number(kMaxCloudPoints) + " points a cloud may have";
        cloud.clear();
        return false;
      }
      for (int k = 0; k < 3; ++k) cloud.xyz.push_back(static_cast<float>(values[k]));
      if (columns >= 6) {
        const bool finite = Finite3(values[3], values[4], values[5]);
        for (int k = 3; k < 6; ++k) cloud.normals.push_back(finite ? static_cast<float>(values[k]) : 0.0f);
      }
      if (columns == 9) {
        cloud.colors.push_back((Component(values[6], 1.0) << 16) | (Component(values[7], 1.0) << 8) |
                               Component(values[8], 1.0));
      }
    }
  } catch (const std::bad_alloc&) {
    cloud.clear();
    error = "not enough memory for the points of the file";
    return false;
  }
  if (cloud.size() == 0) {
    error = "the file holds no points";
    return false;
  }
  // A file cut inside its last line leaves a short line, refused above
  // unless the cut fell between two values of the right count: nothing more
  // can be told from text.
  return true;
}

namespace {

std::string LowerExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool IsPointCloudFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  return ext == "ply" || ext == "xyz" || ext == "txt" || ext == "pts";
}

bool ReadPointCloudFile(const std::string& path, PointCloudData& cloud, std::string& error) {
  cloud.clear();
  if (!IsPointCloudFile(path)) {
    error = "not a point-cloud file (.ply or .xyz)";
    return false;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "no such file";
    return false;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "the file cannot be read";
    return false;
  }
  std::vector<char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  } catch (const std::exception&) {
    error = "the file is too large to read";
    return false;
  }
  if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "the file cannot be read";
    return false;
  }
  if (LowerExtension(path) == "ply") return ReadPlyCloud(bytes.data(), bytes.size(), cloud, error);
  return ReadXyzCloud(bytes.data(), bytes.size(), cloud, error);
}

}  // namespace host
