#include "dialogs/WideNumbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace {

bool IsBlank(char16_t ch) { return ch == u' ' || (ch >= u'\t' && ch <= u'\r'); }

// The ASCII prefix that can belong to a number; anything else ends it.
std::string NumberPrefix(std::u16string_view text, bool& negative) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
  std::string ascii;
  for (; at < text.size() && text[at] < 0x80; ++at) ascii += static_cast<char>(text[at]);
  return ascii;
}

std::u16string Widen(const char* first, const char* last) { return std::u16string(first, last); }

}  // namespace

int WideToInt(std::u16string_view text) {
  bool negative = false;
  const std::string digits = NumberPrefix(text, negative);
  long long value = 0;
  for (const char ch : digits) {
    if (ch < '0' || ch > '9') break;
    value = value * 10 + (ch - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double WideToDouble(std::u16string_view text) {
  bool negative = false;
  const std::string number = NumberPrefix(text, negative);
  if (number.empty() || number[0] == '+' || number[0] == '-') return 0.0;
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (end == number.data()) return 0.0;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves value alone; decide by the exponent's sign.
    const bool tiny = number.find("e-") != std::string::npos || number.find("E-") != std::string::npos;
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

std::u16string FormatInt(int value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return Widen(buffer, result.ptr);
}

std::u16string FormatFixed1(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 1);
  return Widen(buffer, result.ptr);
}
