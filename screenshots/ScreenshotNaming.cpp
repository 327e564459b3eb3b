#include "screenshots/ScreenshotNaming.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/HostAccess.h"
#include "resources/StringTable.h"

namespace {

// Prompt options: any text, spaces allowed, default offered.
constexpr int kNamePromptFlags = 7;

// UTF-8 is how Linux file names are spelled. A profile value that is not
// valid UTF-8 has no wide form that maps back to the same bytes, so it is
// refused rather than turned into the name of some other folder.
bool IsValidUtf8(const std::string& text) { return OdString::fromUtf8(text).toUtf8() == text; }

// std::filesystem::create_directories keeps the rules the naming relies on:
// a missing parent is made first (mkdir's ENOENT), an existing folder is
// taken as it is, and anything else of that name in the way is a failure
// (EEXIST on a file, ENOTDIR below one). An empty path names no folder.
bool CreateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

}  // namespace

OdString FormatScreenshotName(std::time_t now) {
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return OdString();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return OdString::fromUtf8(text);
}

OdString AskScreenshotName(const OdString& defaultName) {
  OdString answer;
  for (;;) {
    // Looked up for every attempt: a document may close while its prompt runs.
    HostDocument* document = HostCurrentDocument();
    HostCommandOutput* output = document != nullptr ? document->messageOutput() : nullptr;
    if (output == nullptr) return answer;
    const OdString prompt = LoadModuleString(IDS_ENTER_SCREENSHOT_NAME);
    const int status = output->getString(prompt.c_str(), defaultName.c_str(), kNamePromptFlags, answer, 0);
    if (status == kHostPromptCancel || status == kHostPromptNoInput) return answer;
    if (!answer.isEmpty()) return answer;
  }
}

bool CreateFolderPath(const OdString& path) { return CreateFolderPath(path.toUtf8()); }

OdString GetScreenshotPath() { return GetScreenshotPath(std::time(nullptr)); }

OdString ScreenshotFolder() {
  const char* profile = std::getenv("USERPROFILE");
  if (profile == nullptr || *profile == '\0' || !IsValidUtf8(profile)) return OdString();
  OdString folder = OdString::fromUtf8(profile);
  folder.replace(u'\\', u'/');
  return folder + LoadModuleString(IDS_SCREENSHOT_FOLDER);
}

OdString GetScreenshotPath(std::time_t now) {
  const OdString folder = ScreenshotFolder();
  if (folder.isEmpty() || folder.c_str()[0] != u'/') return OdString();

  const OdString name = AskScreenshotName(FormatScreenshotName(now));
  const OdString path = folder + u"/" + name + u".png";
  return CreateFolderPath(folder) ? path : OdString();
}
