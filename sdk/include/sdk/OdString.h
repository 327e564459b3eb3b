// Wide (UTF-16) and 8-bit strings of the SDK.
#pragma once

#include <string>
#include <string_view>

#include "sdk/OdPlatform.h"

// Code pages the SDK's 8-bit strings are converted with.
enum OdCodePageId {
  CP_UNDEFINED = 0,
  CP_ASCII = 1,
  CP_UTF_8 = 45,
};

class ODSDK_EXPORT OdString {
 public:
  OdString() = default;
  OdString(const OdChar* text);
  OdString(const OdChar* text, int length);
  OdString(std::u16string text) : m_text(std::move(text)) {}
  OdString(std::u16string_view text) : m_text(text) {}

  const OdChar* c_str() const { return m_text.c_str(); }
  operator const OdChar*() const { return m_text.c_str(); }
  int getLength() const { return static_cast<int>(m_text.size()); }
  bool isEmpty() const { return m_text.empty(); }
  const std::u16string& str() const { return m_text; }

  OdString& makeLower();
  OdString& makeUpper();
  int find(OdChar ch) const;
  int reverseFind(OdChar ch) const;
  OdString left(int count) const;
  OdString mid(int start) const;
  OdString mid(int start, int count) const;
  OdString& replace(OdChar from, OdChar to);
  int compare(const OdChar* other) const;
  void empty() { m_text.clear(); }

  OdString& operator+=(const OdString& other) {
    m_text += other.m_text;
    return *this;
  }
  OdString& operator+=(const OdChar* other);
  OdString& operator+=(OdChar ch) {
    m_text += ch;
    return *this;
  }
  friend OdString operator+(OdString a, const OdString& b) { return a += b; }
  friend OdString operator+(OdString a, const OdChar* b) { return a += b; }
  friend bool operator==(const OdString& a, const OdString& b) { return a.m_text == b.m_text; }
  friend bool operator<(const OdString& a, const OdString& b) { return a.m_text < b.m_text; }

  // UTF-8 for logs and the file system.
  std::string toUtf8() const;
  static OdString fromUtf8(std::string_view text);

 private:
  std::u16string m_text;
};

// An 8-bit string in a given code page. Only UTF-8 and ASCII are needed here;
// ASCII replaces what it cannot hold by '?'.
class ODSDK_EXPORT OdAnsiString {
 public:
  OdAnsiString() = default;
  OdAnsiString(const char* text) : m_text(text != nullptr ? text : "") {}
  OdAnsiString(const OdString& text, OdCodePageId codePage);

  const char* c_str() const { return m_text.c_str(); }
  operator const char*() const { return m_text.c_str(); }
  int getLength() const { return static_cast<int>(m_text.size()); }
  bool isEmpty() const { return m_text.empty(); }
  // Widens the text back from its code page.
  OdString toWide(OdCodePageId codePage) const;

 private:
  std::string m_text;
};
