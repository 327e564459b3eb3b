#include "win32/Text.h"

namespace win32 {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // unpaired surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    std::size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      c = b & 0x07;
    } else {
      len = 0;
    }
    bool valid = len != 0 && i + len <= text.size();
    for (std::size_t k = 1; valid && k < len; ++k) {
      const unsigned char cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) {
        valid = false;
      } else {
        c = (c << 6) | (cont & 0x3F);
      }
    }
    if (valid && ((len == 2 && c < 0x80) || (len == 3 && c < 0x800) || (len == 4 && c < 0x10000) || c > 0x10FFFF ||
                  (c >= 0xD800 && c <= 0xDFFF))) {
      valid = false;  // overlong or out of range
    }
    if (!valid) {
      out += u'\uFFFD';
      i += 1;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

std::string NativePath(std::u16string_view windowsPath) {
  std::string path = ToUtf8(windowsPath);
  for (auto& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::size_t WideLength(LPCWSTR text) {
  if (text == nullptr) return 0;
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

namespace {

template <class String, class View>
String FoldAscii(View text, bool upper) {
  String out(text);
  using Char = typename String::value_type;
  const Char from = upper ? Char('a') : Char('A');
  const Char to = upper ? Char('A') : Char('a');
  for (auto& c : out) {
    if (c >= from && c <= static_cast<Char>(from + 25)) c = static_cast<Char>(c - from + to);
  }
  return out;
}

}  // namespace

std::u16string ToLowerAscii(std::u16string_view text) { return FoldAscii<std::u16string>(text, false); }
std::u16string ToUpperAscii(std::u16string_view text) { return FoldAscii<std::u16string>(text, true); }
std::string ToLowerAscii(std::string_view text) { return FoldAscii<std::string>(text, false); }
std::string ToUpperAscii(std::string_view text) { return FoldAscii<std::string>(text, true); }

std::size_t CopyWide(std::u16string_view text, LPWSTR buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return 0;
  const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  text.copy(buffer, n);
  buffer[n] = 0;
  return n;
}

}  // namespace win32
