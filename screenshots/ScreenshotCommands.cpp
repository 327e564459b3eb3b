#include "screenshots/ScreenshotCommands.h"

#include "base/HostAccess.h"
#include "resources/StringTable.h"
#include "screenshots/GrabDocumentWindow.h"
#include "screenshots/ScreenshotNaming.h"
#include "screenshots/ScreenshotReport.h"

void MakeScreenshot() {
  // Without a document there is no window to grab and no command line to
  // ask on; the command ends before asking, creating or saving anything.
  // Nothing is printed: a screenshot request with nothing to shoot is
  // unusable input, which ends a command silently.
  if (HostCurrentDocument() == nullptr) return;

  const OdAnsiString path(GetScreenshotPath(), CP_UTF_8);
  if (path.isEmpty()) {
    ReportScreenshotMessage(LoadModuleString(IDS_FOLDER_ERROR));
    return;
  }

  SaveScreenshot(GrabDocumentWindow(), path);
}
