// The one place where wide text (UTF-16, char16_t) meets QString, for the
// layers and the host, which are built on Qt. Module code does not include
// this header (it sees no Qt).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "win32/WinTypes.h"

namespace win32 {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<int>(text.size()));
}
// Null is the empty text.
inline QString ToQString(LPCWSTR text) { return text != nullptr ? QString::fromUtf16(text) : QString(); }
inline QString ToQString(const std::u16string& text) { return ToQString(std::u16string_view(text)); }
inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

}  // namespace win32
