#include "sdk/OdString.h"

#include "win32/Text.h"

OdString::OdString(const OdChar* text) : m_text(text != nullptr ? text : u"") {}

OdString::OdString(const OdChar* text, int length) {
  if (text != nullptr && length > 0) m_text.assign(text, static_cast<std::size_t>(length));
}

OdString& OdString::operator+=(const OdChar* other) {
  if (other != nullptr) m_text += other;
  return *this;
}

OdString& OdString::makeLower() {
  m_text = win32::ToLowerAscii(m_text);
  return *this;
}

OdString& OdString::makeUpper() {
  for (auto& c : m_text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return *this;
}

int OdString::find(OdChar ch) const {
  const auto at = m_text.find(ch);
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int OdString::reverseFind(OdChar ch) const {
  const auto at = m_text.rfind(ch);
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

OdString OdString::left(int count) const {
  if (count <= 0) return {};
  return OdString(m_text.substr(0, static_cast<std::size_t>(count)));
}

OdString OdString::mid(int start) const {
  if (start < 0) start = 0;
  if (static_cast<std::size_t>(start) >= m_text.size()) return {};
  return OdString(m_text.substr(static_cast<std::size_t>(start)));
}

OdString OdString::mid(int start, int count) const {
  if (start < 0) start = 0;
  if (count <= 0 || static_cast<std::size_t>(start) >= m_text.size()) return {};
  return OdString(m_text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

OdString& OdString::replace(OdChar from, OdChar to) {
  for (auto& c : m_text) {
    if (c == from) c = to;
  }
  return *this;
}

int OdString::compare(const OdChar* other) const { return m_text.compare(other != nullptr ? other : u""); }

std::string OdString::toUtf8() const { return win32::ToUtf8(m_text); }

OdString OdString::fromUtf8(std::string_view text) { return OdString(win32::FromUtf8(text)); }

OdAnsiString::OdAnsiString(const OdString& text, OdCodePageId codePage) {
  if (codePage == CP_UTF_8) {
    m_text = text.toUtf8();
    return;
  }
  m_text.reserve(static_cast<std::size_t>(text.getLength()));
  for (const OdChar c : text.str()) m_text += c < 0x80 ? static_cast<char>(c) : '?';
}

OdString OdAnsiString::toWide(OdCodePageId codePage) const {
  if (codePage == CP_UTF_8) return OdString::fromUtf8(m_text);
  std::u16string wide;
  for (const char c : m_text) wide += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?';
  return OdString(wide);
}
