// Formatting by the Windows wide-printf rules: %s and %ls take a wide
// (UTF-16) string, %S and %hs an 8-bit one, %c a wide character; %d, %i, %u,
// %x, %X, %o, %e, %f, %g, %p and %% as in C, with flags, width, precision
// ('*' included) and the h, l, ll, I64 and z size prefixes. A null string
// prints as "(null)". An unknown conversion is copied as it stands.
// The C runtime's own wide printf cannot stand in: on Linux its %s is an
// 8-bit string.
#pragma once

#include <cstdarg>
#include <string>

#include "win32/WinTypes.h"

namespace win32 {

WIN32_EXPORT std::u16string FormatWide(const char16_t* format, va_list args);
WIN32_EXPORT std::u16string FormatWideV(const char16_t* format, ...);

}  // namespace win32

extern "C" {
// The C runtime's bounded wide print: -1 (and an empty buffer) when the text
// does not fit, else the number of characters written.
WIN32_EXPORT int swprintf_s(WCHAR* buffer, std::size_t count, const WCHAR* format, ...);
}
