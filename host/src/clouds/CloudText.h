// Text helpers shared by the PLY and the XYZ reader: blanks, numbers,
// colour components, a cursor over the non-empty lines of a text body and
// one over the values of a line.
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

namespace host::cloudtext {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
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

// The values of one line, parsed where they stand, front to back. A value
// is the text between separators (blanks, and commas where allowed); it may
// start with a '+'.
class LineNumbers {
 public:
  LineNumbers(std::string_view line, bool commas)
      : m_at(line.data()), m_end(line.data() + line.size()), m_commas(commas) {}
  // Steps to the next value; false at the end of the line.
  bool more() {
    while (m_at < m_end && separator(*m_at)) ++m_at;
    return m_at < m_end;
  }
  // Parses the value more() stepped to and steps past it; false, staying
  // where it is, when that value is not a number.
  bool parse(double& value) {
    const auto result = std::from_chars(m_at + (*m_at == '+'), m_end, value);
    if (result.ec != std::errc() || (result.ptr < m_end && !separator(*result.ptr))) return false;
    m_at = result.ptr;
    return true;
  }

 private:
  bool separator(char c) const { return IsBlank(c) || (m_commas && c == ','); }
  const char* m_at;
  const char* m_end;
  bool m_commas;
};

}  // namespace host::cloudtext
