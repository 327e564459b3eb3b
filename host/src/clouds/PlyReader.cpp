// The PLY reader: ASCII, binary little- and big-endian; the vertex element
// gives the points, other elements are stepped over.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "CloudText.h"
#include "host/PointCloudReader.h"

namespace host {

namespace {

using namespace cloudtext;

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

bool ParseCount(std::string_view text, std::uint64_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// ---- PLY -----------------------------------------------------------------------------

enum class PlyType { kInt8, kUInt8, kInt16, kUInt16, kInt32, kUInt32, kFloat32, kFloat64 };

bool ParsePlyType(std::string_view name, PlyType& type) {
  static const struct {
    const char* name;
    PlyType type;
  } kTypes[] = {{"char", PlyType::kInt8},      {"int8", PlyType::kInt8},       {"uchar", PlyType::kUInt8},
                {"uint8", PlyType::kUInt8},    {"short", PlyType::kInt16},     {"int16", PlyType::kInt16},
                {"ushort", PlyType::kUInt16},  {"uint16", PlyType::kUInt16},   {"int", PlyType::kInt32},
                {"int32", PlyType::kInt32},    {"uint", PlyType::kUInt32},     {"uint32", PlyType::kUInt32},
                {"float", PlyType::kFloat32},  {"float32", PlyType::kFloat32}, {"double", PlyType::kFloat64},
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

// The values a point is built from, in this order: x, y, z, nx, ny, nz, red,
// green, blue.
enum { kX, kY, kZ, kNx, kNy, kNz, kRed, kGreen, kBlue, kPointValues };

// Where the values of a point sit in a vertex record: the property of each
// (-1 when absent), and the other way round, the value each property gives
// (-1 for those passed over).
struct VertexLayout {
  int property[kPointValues] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::vector<int> value;
  bool has(int first) const { return property[first] >= 0 && property[first + 1] >= 0 && property[first + 2] >= 0; }
  bool hasNormals() const { return has(kNx); }
  bool hasColors() const { return has(kRed); }
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
  layout.value.assign(vertex.properties.size(), -1);
  for (std::size_t i = 0; i < vertex.properties.size(); ++i) {
    const PlyProperty& p = vertex.properties[i];
    int v = -1;
    if (p.name == "x") v = kX;
    else if (p.name == "y") v = kY;
    else if (p.name == "z") v = kZ;
    else if (p.name == "nx") v = kNx;
    else if (p.name == "ny") v = kNy;
    else if (p.name == "nz") v = kNz;
    else if (p.name == "red" || p.name == "r" || p.name == "diffuse_red") v = kRed;
    else if (p.name == "green" || p.name == "g" || p.name == "diffuse_green") v = kGreen;
    else if (p.name == "blue" || p.name == "b" || p.name == "diffuse_blue") v = kBlue;
    if (v < 0) continue;
    if (p.isList) {
      error = "the vertex property " + p.name + " is a list";
      return false;
    }
    if (layout.property[v] < 0) {
      layout.property[v] = static_cast<int>(i);
      layout.value[i] = v;
    }
  }
  if (!layout.has(kX)) {
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
  // Skips count records of element. Records of a fixed size are stepped over
  // at once (a property-less element of any count costs nothing); records
  // with lists are stepped one by one, but only after the count has been
  // checked against the smallest size a record can have, so a count the rest
  // of the file cannot hold is refused without a loop over it.
  bool skipElement(const PlyElement& element, std::uint64_t count) {
    std::size_t leastSize = 0;
    bool fixed = true;
    for (const PlyProperty& p : element.properties) {
      leastSize += SizeOf(p.isList ? p.countType : p.type);
      if (p.isList) fixed = false;
    }
    if (leastSize == 0 || count == 0) return true;
    if (count > left() / leastSize) return false;
    if (fixed) return skip(static_cast<std::size_t>(count) * leastSize);
    for (std::uint64_t i = 0; i < count; ++i) {
      if (!skipRecord(element)) return false;
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
  // The values of one point, in the order of VertexLayout::property.
  bool add(const double* v, std::string& error) {
    const double x = v[kX], y = v[kY], z = v[kZ];
    if (!Finite3(x, y, z)) {
      error = "point " + Number(index + 1) + " has a coordinate that is not a finite number in single precision";
      return false;
    }
    float* p = &cloud.xyz[3 * index];
    p[0] = static_cast<float>(x);
    p[1] = static_cast<float>(y);
    p[2] = static_cast<float>(z);
    if (layout.hasNormals()) {
      const double nx = v[kNx], ny = v[kNy], nz = v[kNz];
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
      cloud.colors[index] = (Component(v[kRed], colorScale[0]) << 16) | (Component(v[kGreen], colorScale[1]) << 8) |
                            Component(v[kBlue], colorScale[2]);
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
  double point[kPointValues] = {};
  const bool swap = cursor.swap();
  if (fixed) {
    if (recordSize == 0 || vertex.count > cursor.left() / recordSize) {
      error = "the file is truncated: it holds " + Number(cursor.left() / std::max<std::size_t>(recordSize, 1)) +
              " of the " + Number(vertex.count) + " points its header announces";
      return false;
    }
    const int* wanted = sink.layout.property;
    // The usual layout (x, y, z as leading little-endian floats) gets a
    // straight copy path; everything else goes through LoadValue.
    const bool plainFloats = !swap && std::endian::native == std::endian::little && wanted[kX] == 0 &&
                             wanted[kY] == 1 && wanted[kZ] == 2 && vertex.properties[0].type == PlyType::kFloat32 &&
                             vertex.properties[1].type == PlyType::kFloat32 &&
                             vertex.properties[2].type == PlyType::kFloat32;
    const char* base = cursor.here();
    for (std::uint64_t i = 0; i < vertex.count; ++i) {
      const char* record = base + i * recordSize;
      if (plainFloats) {
        float xyz[3];
        std::memcpy(xyz, record, sizeof xyz);
        point[kX] = xyz[0];
        point[kY] = xyz[1];
        point[kZ] = xyz[2];
        for (int k = kNx; k < kPointValues; ++k) {
          if (wanted[k] >= 0)
            point[k] = LoadValue(record + offsets[wanted[k]], vertex.properties[wanted[k]].type, false);
        }
      } else {
        for (int k = kX; k < kPointValues; ++k) {
          if (wanted[k] >= 0)
            point[k] = LoadValue(record + offsets[wanted[k]], vertex.properties[wanted[k]].type, swap);
        }
      }
      if (!sink.add(point, error)) return false;
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
      if (sink.layout.value[k] >= 0) point[sink.layout.value[k]] = LoadValue(cursor.here(), p.type, swap);
      cursor.skip(SizeOf(p.type));
    }
    if (!sink.add(point, error)) return false;
  }
  return true;
}

// Reads the record of element on the next line, each value parsed where it
// stands: the values that value (by property) maps go to point, the others
// and the lists are stepped over.
bool ReadAsciiRecord(TextCursor& text, const PlyElement& element, const int* value, double* point, std::string& error,
                     const char* what, std::uint64_t index) {
  std::string_view line;
  if (!text.nextLine(line)) {
    error = "the file is truncated: it ends in " + std::string(what) + " " + Number(index + 1) + " of " +
            Number(element.count);
    return false;
  }
  LineNumbers numbers(line, false);
  const char* fault = nullptr;
  double v;
  for (std::size_t k = 0; fault == nullptr && k < element.properties.size(); ++k) {
    if (!numbers.more()) {
      if (text.left() == 0) {
        error = "the file is truncated: its last line, " + Number(text.lineNumber()) + ", ends early";
        return false;
      }
      fault = "has too few values";
    } else if (!numbers.parse(v)) {
      break;  // not a number: told below
    } else if (!element.properties[k].isList) {
      if (value != nullptr && value[k] >= 0) point[value[k]] = v;
    } else {
      // v values follow (a count with a fraction steps over its whole part
      // and still asks for one value more).
      const double count = v;
      double n = 0;
      while (n + 1 <= count && numbers.more() && numbers.parse(v)) ++n;
      if (!(count >= 0) || n + 1 <= count || (n < count && !numbers.more())) fault = "has a bad list";
    }
  }
  if (fault == nullptr && numbers.more()) fault = "has too many values";
  // Text that is not a number is told before any other fault of its line.
  while (numbers.more() && numbers.parse(v)) {}
  if (numbers.more()) fault = "holds text that is not a number";
  if (fault != nullptr) error = "line " + Number(text.lineNumber()) + " " + fault;
  return fault == nullptr;
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
  if (data == nullptr) size = 0;
  if (size == 0) {
    error = "not a PLY file (the file is empty)";
    return false;
  }
  if (!ReadPlyHeader(data, size, format, elements, bodyStart, error)) return false;
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
    for (int c = 0; c < 3; ++c) sink.colorScale[c] = ColorScale(vertex.properties[layout.property[kRed + c]].type);
  }

  bool ok = true;
  if (format == PlyFormat::kAscii) {
    TextCursor text(data + bodyStart, bodySize);
    double point[kPointValues] = {};
    for (std::size_t e = 0; ok && e < vertexIndex; ++e) {
      for (std::uint64_t i = 0; ok && i < elements[e].count; ++i)
        ok = ReadAsciiRecord(text, elements[e], nullptr, nullptr, error, "record", i);
    }
    for (std::uint64_t i = 0; ok && i < vertex.count; ++i) {
      ok = ReadAsciiRecord(text, vertex, layout.value.data(), point, error, "point", i) && sink.add(point, error);
    }
  } else {
    const bool swap = (format == PlyFormat::kBig) != (std::endian::native == std::endian::big);
    BinaryCursor cursor(data + bodyStart, bodySize, swap);
    for (std::size_t e = 0; ok && e < vertexIndex; ++e) {
      if (!cursor.skipElement(elements[e], elements[e].count)) {
        error = "the file is truncated in its " + Shown(elements[e].name) + " element";
        ok = false;
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

}  // namespace host
