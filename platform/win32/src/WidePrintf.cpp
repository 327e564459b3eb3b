#include "win32/WidePrintf.h"

#include <cstdio>
#include <string>

#include "win32/Text.h"

namespace win32 {

namespace {

// Pads text to width, on the left unless the '-' flag is set.
void AppendPadded(std::u16string& out, std::u16string_view text, int width, bool leftAlign) {
  const int pad = width > static_cast<int>(text.size()) ? width - static_cast<int>(text.size()) : 0;
  if (!leftAlign) out.append(static_cast<std::size_t>(pad), u' ');
  out.append(text);
  if (leftAlign) out.append(static_cast<std::size_t>(pad), u' ');
}

}  // namespace

std::u16string FormatWide(const char16_t* format, va_list args) {
  std::u16string out;
  if (format == nullptr) return out;
  va_list ap;
  va_copy(ap, args);
  const char16_t* p = format;
  while (*p != 0) {
    if (*p != u'%') {
      out += *p++;
      continue;
    }
    const char16_t* start = p++;
    if (*p == u'%') {
      out += u'%';
      ++p;
      continue;
    }
    std::string directive = "%";
    bool leftAlign = false;
    while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') {
      if (*p == u'-') leftAlign = true;
      directive += static_cast<char>(*p++);
    }
    int width = 0;
    if (*p == u'*') {
      width = va_arg(ap, int);
      if (width < 0) {
        leftAlign = true;
        directive += '-';
        width = -width;
      }
      directive += std::to_string(width);
      ++p;
    } else {
      while (*p >= u'0' && *p <= u'9') {
        width = width * 10 + (*p - u'0');
        directive += static_cast<char>(*p++);
      }
    }
    int precision = -1;
    if (*p == u'.') {
      directive += '.';
      ++p;
      precision = 0;
      if (*p == u'*') {
        precision = va_arg(ap, int);
        ++p;
        if (precision < 0) {
          precision = -1;
          directive.pop_back();
        } else {
          directive += std::to_string(precision);
        }
      } else {
        while (*p >= u'0' && *p <= u'9') {
          precision = precision * 10 + (*p - u'0');
          directive += static_cast<char>(*p++);
        }
      }
    }
    // Size prefixes.
    enum class Size { kDefault, kShort, kLong, kLongLong, kSize } size = Size::kDefault;
    if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
      size = Size::kLongLong;
      p += 3;
    } else if (p[0] == u'l' && p[1] == u'l') {
      size = Size::kLongLong;
      p += 2;
    } else if (*p == u'l' || *p == u'w') {
      size = Size::kLong;
      ++p;
    } else if (*p == u'h') {
      size = Size::kShort;
      ++p;
    } else if (*p == u'z' || *p == u'I') {
      size = Size::kSize;
      ++p;
    }
    const char16_t conversion = *p;
    if (conversion == 0) {
      out.append(start, p);
      break;
    }
    ++p;
    char buffer[512];
    switch (conversion) {
      case u's':
      case u'S': {
        // Windows wide printf: %s is wide unless 'h' says narrow; %S the reverse.
        const bool wide = conversion == u's' ? size != Size::kShort : size == Size::kLong;
        std::u16string text;
        if (wide) {
          const char16_t* s = va_arg(ap, const char16_t*);
          text = s != nullptr ? std::u16string(s) : u"(null)";
        } else {
          const char* s = va_arg(ap, const char*);
          text = FromUtf8(s != nullptr ? s : "(null)");
        }
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size())
          text.resize(static_cast<std::size_t>(precision));
        AppendPadded(out, text, width, leftAlign);
        break;
      }
      case u'c':
      case u'C': {
        const char16_t ch = static_cast<char16_t>(va_arg(ap, int));
        AppendPadded(out, std::u16string_view(&ch, 1), width, leftAlign);
        break;
      }
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        std::string full = directive;
        const char c = static_cast<char>(conversion);
        switch (size) {
          case Size::kLongLong:
            full += "ll";
            full += c;
            std::snprintf(buffer, sizeof buffer, full.c_str(), va_arg(ap, long long));
            break;
          case Size::kSize:
            full += "z";
            full += c;
            std::snprintf(buffer, sizeof buffer, full.c_str(), va_arg(ap, std::size_t));
            break;
          case Size::kShort:
            full += "h";
            full += c;
            std::snprintf(buffer, sizeof buffer, full.c_str(), va_arg(ap, int));
            break;
          default:
            // Windows 'long' is 32 bits, so %ld takes an int here too.
            full += c;
            std::snprintf(buffer, sizeof buffer, full.c_str(), va_arg(ap, int));
            break;
        }
        out += FromUtf8(buffer);
        break;
      }
      case u'e':
      case u'E':
      case u'f':
      case u'F':
      case u'g':
      case u'G':
      case u'a':
      case u'A': {
        std::string full = directive;
        full += static_cast<char>(conversion);
        std::snprintf(buffer, sizeof buffer, full.c_str(), va_arg(ap, double));
        out += FromUtf8(buffer);
        break;
      }
      case u'p': {
        std::snprintf(buffer, sizeof buffer, "%016llX",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(va_arg(ap, void*))));
        AppendPadded(out, FromUtf8(buffer), width, leftAlign);
        break;
      }
      default:
        out.append(start, p);  // not a conversion: shown as written
        break;
    }
  }
  va_end(ap);
  return out;
}

std::u16string FormatWideV(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::u16string text = FormatWide(format, args);
  va_end(args);
  return text;
}

}  // namespace win32

extern "C" int swprintf_s(WCHAR* buffer, std::size_t count, const WCHAR* format, ...) {
  if (buffer == nullptr || count == 0 || format == nullptr) return -1;
  va_list args;
  va_start(args, format);
  const std::u16string text = win32::FormatWide(format, args);
  va_end(args);
  if (text.size() >= count) {
    buffer[0] = 0;
    return -1;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return static_cast<int>(text.size());
}
