// The clipboard, key state and locale functions of the win32 layer.
#include <gtest/gtest.h>

#include <QClipboard>
#include <cstring>

#include "MfcTestSupport.h"
#include "win32/Gdi.h"
#include "win32/Kernel.h"
#include "win32/UserInput.h"

namespace {

TEST(Clipboard, TextGoesInAndComesOutAsUtf8Text) {
  EnsureApplication();
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr) << "not open";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr)) << "one owner at a time";
  ASSERT_TRUE(EmptyClipboard());
  const char text[] = "3,5 \xC3\xA9";
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, sizeof(text));
  std::memcpy(GlobalLock(block), text, sizeof(text));
  GlobalUnlock(block);
  ASSERT_EQ(SetClipboardData(CF_TEXT, block), block);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(text));

  QGuiApplication::clipboard()->setText(QStringLiteral("  42abc"));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), "  42abc");
  GlobalUnlock(data);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());

  QGuiApplication::clipboard()->clear();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST(KeyState, ModifiersOfTheMessageBeingHandled) {
  EnsureApplication();
  EXPECT_FALSE(GetKeyState(VK_CONTROL) < 0);
  win32::KeyModifiers held;
  held.control = true;
  win32::SetMessageKeyModifiers(&held);
  EXPECT_TRUE(GetKeyState(VK_CONTROL) < 0);
  EXPECT_FALSE(GetKeyState(VK_SHIFT) < 0);
  EXPECT_FALSE(GetKeyState('A') < 0);
  win32::SetMessageKeyModifiers(nullptr);
  EXPECT_FALSE(GetKeyState(VK_CONTROL) < 0);
}

TEST(LocaleInfo, TwoCharacterBuffersHoldTheSeparatorAndTheSign) {
  WCHAR buffer[2] = {};
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0), 2);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 2), 2);
  EXPECT_NE(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, buffer, 2), 2);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, buffer, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x1234, buffer, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetLocaleInfoW(0x0409, LOCALE_SDECIMAL, buffer, 2), 0);
}

}  // namespace
