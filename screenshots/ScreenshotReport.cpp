#include "screenshots/ScreenshotReport.h"

#include <QString>

#include "module/HostAccess.h"
#include "resources/StringTable.h"

void ReportScreenshotMessage(const OdString& text, const OdString& detail) {
  HostCommandOutput* output = HostMessageOutput();
  if (output == nullptr) return;
  if (detail.isEmpty()) {
    output->print(u"%s", text.c_str());
  } else {
    output->print(u"%s%s", text.c_str(), detail.c_str());
  }
}

bool SaveScreenshot(const QPixmap& picture, const OdAnsiString& path) {
  const bool saved = picture.save(QString::fromUtf8(path.c_str(), path.getLength()), "PNG", -1);
  if (!saved) {
    ReportScreenshotMessage(LoadModuleString(IDS_SCREENSHOT_SAVE_ERROR));
    return false;
  }
  ReportScreenshotMessage(LoadModuleString(IDS_SCREENSHOT_SAVED), path.toWide(CP_UTF_8));
  return true;
}
