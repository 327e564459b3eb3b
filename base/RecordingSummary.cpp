#include "base/RecordingSummary.h"

#include "base/HostAccess.h"
#include "base/StringIds.h"
#include "win32/Files.h"
#include "win32/WidePrintf.h"

std::int64_t QueryFileSize(const OdChar* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

double SummaryMegabytes(std::int64_t size) {
  if (size <= 0) return 0.0;
  return static_cast<double>(static_cast<float>(size) * (1.0f / 1048576.0f));
}

OdString SummaryTime(std::uint32_t seconds) {
  const OdString format = LoadModuleString(IDS_TIME_HMS);
  WCHAR text[64] = {};
  swprintf_s(text, 64, format.c_str(), static_cast<int>(seconds / 3600), static_cast<int>((seconds % 3600) / 60),
             static_cast<int>(seconds % 60));
  return OdString(text);
}

void PrintRecordingSummary(const OdChar* filePath, double megabytes, int frames, const OdString& timeText,
                           int framesPerSecond) {
  HostCommandOutput* output = HostMessageOutput();
  if (output == nullptr) return;
  output->print(LoadModuleString(IDS_RECORDING_SUMMARY).c_str(), filePath, megabytes, frames, timeText.c_str(),
                framesPerSecond);
}
