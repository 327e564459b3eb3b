// Text helpers shared by the PLY and the XYZ reader: blanks, numbers,
// colour components, and a cursor over the non-empty lines of a text body.
// Internal to the host library.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace host::cloudtext {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

inline bool ParseDouble(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

inline std::string Number(std::uint64_t n) { return std::to_string(n); }

// Colour components arrive as 0..255, 0..65535 or 0..1; each kind is scaled
// to 0..255 and clamped.
inline std::uint32_t Component(double value, double scale) {
  const double v = value * scale;
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint32_t>(v + 0.5);
}

// Finite, and still finite once stored as a float (a double of 1e300 is not).
inline bool FiniteFloat(double v) { return std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max()); }
inline bool Finite3(double a, double b, double c) { return FiniteFloat(a) && FiniteFloat(b) && FiniteFloat(c); }

// A text body, line by line; blank lines are passed over.
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
inline bool SplitNumbers(std::string_view line, std::vector<double>& values, bool commas) {
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

}  // namespace host::cloudtext
