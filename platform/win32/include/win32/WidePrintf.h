// Formatting by the Windows wide-printf rules: %s and %ls take a wide
// (UTF-16) string, %S and %hs an 8-bit one, %c a wide character; %d, %i, %u,
// %x, %X, %o, %e, %f, %g, %p and %% as in C, with flags, width, precision
// ('*' included) and the h, l, ll, I64 and z size prefixes. A null string
// prints as "(null)". An unknown conversion is copied as it stands.
#pragma once

#include <cstdarg>
#include <string>

#include "host/HostApi.h"

namespace host {

HOST_EXPORT std::u16string FormatWide(const char16_t* format, va_list args);
HOST_EXPORT std::u16string FormatWideV(const char16_t* format, ...);

}  // namespace host
