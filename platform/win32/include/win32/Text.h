// UTF-16 text helpers; the one place where wide text meets UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "win32/WinTypes.h"

namespace win32 {

WIN32_EXPORT std::string ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
WIN32_EXPORT std::u16string FromUtf8(std::string_view text);
WIN32_EXPORT std::size_t WideLength(LPCWSTR text);
// A Windows path as the file system takes it: UTF-8, with "\" between
// folders turned into "/", as Windows file functions accept either.
WIN32_EXPORT std::string NativePath(std::u16string_view windowsPath);
// The one case folding of the layers and the host: ASCII letters only, as
// command names, topics, extensions and four-character codes are ASCII;
// other characters are kept as they are, whatever the locale.
WIN32_EXPORT std::u16string ToLowerAscii(std::u16string_view text);
WIN32_EXPORT std::u16string ToUpperAscii(std::u16string_view text);
WIN32_EXPORT std::string ToLowerAscii(std::string_view text);
WIN32_EXPORT std::string ToUpperAscii(std::string_view text);
// Copies with truncation, always terminating when capacity > 0; returns the
// number of characters copied.
WIN32_EXPORT std::size_t CopyWide(std::u16string_view text, LPWSTR buffer, std::size_t capacity);

}  // namespace win32
