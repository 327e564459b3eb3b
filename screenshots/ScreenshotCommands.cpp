#include "screenshots/ScreenshotCommands.h"

#include <QPixmap>
#include <QString>

#include "module/HostAccess.h"
#include "resources/StringTable.h"
#include "screenshots/GrabDocumentWindow.h"
#include "screenshots/ScreenshotNaming.h"

namespace {

// One message, never read as a format: texts and paths may hold "%".
void Report(const OdString& text, const OdString& detail = OdString()) {
  HostCommandOutput* output = HostMessageOutput();
  if (output == nullptr) return;
  if (detail.isEmpty()) {
    output->print(u"%s", text.c_str());
  } else {
    output->print(u"%s%s", text.c_str(), detail.c_str());
  }
}

}  // namespace

void MakeScreenshot() {
  // Without a document there is no window to grab and no command line to
  // ask on; the command ends before asking, creating or saving anything.
  // Nothing is printed: a screenshot request with nothing to shoot is
  // unusable input, which ends a command silently.
  if (HostCurrentDocument() == nullptr) return;

  const OdAnsiString path(GetScreenshotPath(), CP_UTF_8);
  if (path.isEmpty()) {
    Report(LoadModuleString(IDS_FOLDER_ERROR));
    return;
  }

  const QPixmap picture = GrabDocumentWindow();
  const bool saved = picture.save(QString::fromUtf8(path.c_str(), path.getLength()), "PNG", -1);
  if (!saved) {
    Report(LoadModuleString(IDS_SCREENSHOT_SAVE_ERROR));
    return;
  }
  Report(LoadModuleString(IDS_SCREENSHOT_SAVED), path.toWide(CP_UTF_8));
}

// Not built yet: registered, do nothing.
void MakeFourViewScreenshot() {}
