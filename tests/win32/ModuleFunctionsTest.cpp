// Module handles and names, exports, string resources, wide printf and the
// small kernel functions the module and the host call, on the real dynamic
// loader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Resources.h"
#include "win32/Text.h"
#include "win32/WidePrintf.h"

namespace {

using win32::FormatWideV;

std::u16string W(const std::string& text) { return win32::FromUtf8(text); }

std::string FakeHost(const std::string& name) { return std::string(PCVR_BIN_DIR) + "/fakehost/" + name; }

TEST(ModuleHandles, WindowsNamesFindSharedObjectsByStemAndFailLikeWindows) {
  HMODULE library = LoadLibraryW(W(FakeHost("libzuvedi.so")).c_str());
  ASSERT_NE(library, nullptr);
  for (const char16_t* name : {u"zuvedi.dll", u"ZUVEDI.DLL", u"zuvedi", u"libzuvedi.so"})
    EXPECT_EQ(GetModuleHandleW(name), library) << win32::ToUtf8(name);
  for (const char16_t* name : {u"zuvedi2.dll", u"zuv"}) {
    EXPECT_EQ(GetModuleHandleW(name), nullptr) << win32::ToUtf8(name);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  // The handle is the lowest address of the image, as on Windows; exports
  // are the image's own, not those of the libraries it depends on.
  FARPROC proc = GetProcAddress(library, "new_ICmdFactory");
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(ModuleFromAddress(reinterpret_cast<const void*>(proc)), library);
  EXPECT_EQ(GetProcAddress(library, "GetModuleHandleW"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(nullptr, "new_ICmdFactory"), nullptr);
  EXPECT_EQ(GetProcAddress(library, nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "GetMainDllNameW"), nullptr);
  EXPECT_TRUE(FreeLibrary(library));

  EXPECT_EQ(LoadLibraryW(u"/no/such/library.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1234)));
  EXPECT_FALSE(DisableThreadLibraryCalls(nullptr));
  EXPECT_TRUE(DisableThreadLibraryCalls(GetModuleHandleW(nullptr)));
}

TEST(ModuleHandles, FileNamesOfTheExecutableAndALibraryTruncateLikeWindows) {
  HMODULE self = GetModuleHandleW(nullptr);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(ModuleFromAddress(reinterpret_cast<const void*>(&W)), self);
  WCHAR path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  EXPECT_EQ(win32::ToUtf8(std::u16string_view(path, length)), exe);
  EXPECT_EQ(GetModuleFileNameW(self, path, MAX_PATH), length);

  HMODULE library = LoadLibraryW(W(FakeHost("libFakeMain.so")).c_str());
  ASSERT_NE(library, nullptr);
  const DWORD full = GetModuleFileNameW(library, path, MAX_PATH);
  EXPECT_EQ(win32::ToUtf8(std::u16string_view(path, full)), FakeHost("libFakeMain.so"));
  WCHAR small[8];
  EXPECT_EQ(GetModuleFileNameW(library, small, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(small), std::u16string(path, 7));
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x10), path, MAX_PATH), 0u);
  FreeLibrary(library);

  // VirtualQuery gives the allocation base of the image holding an address.
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_EQ(VirtualQuery(reinterpret_cast<const void*>(&GetModuleHandleW), &info, sizeof info), sizeof info);
  EXPECT_EQ(info.AllocationBase, GetModuleHandleW(u"win32.dll"));
  EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_IMAGE));
  EXPECT_EQ(VirtualQuery(&info, &info, sizeof info - 1), 0u);
  ASSERT_EQ(VirtualQuery(&info, &info, sizeof info), sizeof info);  // on the stack: no image
  EXPECT_EQ(info.AllocationBase, nullptr);
}

TEST(StringResources, LoadStringCopiesOrPointsIntoTheTable) {
  static const StringResource table[] = {{7, u"seven"}, {1015, u"Screenshot saved:"}};
  HMODULE self = GetModuleHandleW(nullptr);
  RegisterModuleStrings(self, table, 2);
  WCHAR buffer[32];
  EXPECT_EQ(LoadStringW(self, 1015, buffer, 32), 17);
  EXPECT_EQ(std::u16string(buffer), u"Screenshot saved:");
  EXPECT_EQ(LoadStringW(self, 1015, buffer, 7), 6);  // cut, and terminated
  EXPECT_EQ(std::u16string(buffer), u"Screen");
  const WCHAR* direct = nullptr;
  EXPECT_EQ(LoadStringW(self, 7, reinterpret_cast<LPWSTR>(&direct), 0), 5);
  EXPECT_EQ(direct, table[0].text);
  EXPECT_EQ(LoadStringW(self, 8, buffer, 32), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  UnregisterModuleStrings(self);
  EXPECT_EQ(LoadStringW(self, 7, buffer, 32), 0);
}

TEST(Utf16Text, RoundTripsAndRepairsBrokenInput) {
  const std::string text = "Orvanta \xD0\x9E\xD0\xB1 \xF0\x9F\x8E\xA5 100%";
  EXPECT_EQ(win32::FromUtf8(text), u"Orvanta Об \U0001F3A5 100%");
  EXPECT_EQ(win32::ToUtf8(win32::FromUtf8(text)), text);
  EXPECT_EQ(win32::FromUtf8("a\xC3"), u"a\uFFFD");                         // cut sequence
  EXPECT_EQ(win32::FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                 // overlong
  EXPECT_EQ(win32::ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
  WCHAR small[4];
  EXPECT_EQ(win32::CopyWide(u"abcdef", small, 4), 3u);
  EXPECT_EQ(std::u16string(small), u"abc");
}

// The command line's formatted print follows the Windows wide-printf rules
// the module's texts are written for.
TEST(WidePrintf, FollowsTheWindowsRules) {
  const std::pair<std::u16string, std::u16string> table[] = {
      // %s and %ls are wide, %hs and %S narrow; a null string is shown as such.
      {FormatWideV(u"%s|%ls|%hs|%S", u"wide", u"also wide", "narrow", "narrow too"),
       u"wide|also wide|narrow|narrow too"},
      {FormatWideV(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]"},
      // The recording summary's conversions.
      {FormatWideV(u" Length: %.2g Mb\n Frames: %d\n Time: %s", 12.345678, 150, u"0:0:10 h:m:s"),
       u" Length: 12 Mb\n Frames: 150\n Time: 0:0:10 h:m:s"},
      {FormatWideV(u"%.2g %.2g", 0.0, 1234.5), u"0 1.2e+03"},
      // A percent inside a value is shown literally; %% is one percent.
      {FormatWideV(u"%s%s", u"Screenshot saved:", u"/home/u/100%d %s.png"), u"Screenshot saved:/home/u/100%d %s.png"},
      {FormatWideV(u"100%% done"), u"100% done"},
      {FormatWideV(u"[%5d|%-5d|%05d|%*d|%-*s|%.3s]", 42, 42, 42, 4, 7, 6, u"ab", u"abcdef"),
       u"[   42|42   |00042|   7|ab    |abc]"},
      {FormatWideV(u"%u %x %X %o", 4000000000u, 255, 255, 8), u"4000000000 ff FF 10"},
      {FormatWideV(u"%I64d %lld %ld", 1LL << 40, -(1LL << 40), 2147483647), u"1099511627776 -1099511627776 2147483647"},
      {FormatWideV(u"%c%c %.1f %e", u'\u00e9', u'x', 2.25, 1.5), u"\u00e9x 2.2 1.500000e+00"},
      // Unknown or cut conversions are copied.
      {FormatWideV(u"50%q|%12"), u"50%q|%12"},
      {FormatWideV(u"ends with %"), u"ends with %"},
  };
  for (const auto& [got, expected] : table) EXPECT_EQ(got, expected);
}

TEST(WidePrintf, BoundedPrintRefusesWhatDoesNotFit) {
  WCHAR buffer[16];
  EXPECT_EQ(swprintf_s(buffer, 16, u"%d:%d:%d h:m:s", 1, 2, 5), 11);
  EXPECT_EQ(std::u16string(buffer), u"1:2:5 h:m:s");
  EXPECT_EQ(swprintf_s(buffer, 5, u"%s", u"too long"), -1);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(swprintf_s(buffer, 0, u"x"), -1);
}

}  // namespace
