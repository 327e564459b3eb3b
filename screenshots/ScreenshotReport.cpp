#include "screenshots/ScreenshotReport.h"

#include <QBuffer>
#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include "base/HostAccess.h"
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
  // The PNG goes to a temporary file beside the target and is renamed over it
  // only once it is complete, so a full disk or a size limit never leaves a
  // truncated picture behind, nor destroys the picture of the same name that
  // was there before. QSaveFile removes its temporary file when the writing
  // fails; it never falls back to writing the target directly.
  // The picture is encoded in memory first and written in one unbuffered
  // piece whose length is checked: a write cut short at a size limit is a
  // failure too (a buffered QFileDevice lets a short flush pass unnoticed).
  QByteArray png;
  QBuffer buffer(&png);
  QSaveFile file(QString::fromUtf8(path.c_str(), path.getLength()));
  const bool saved = !picture.isNull() && buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG", -1) &&
                     file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(png) == png.size() &&
                     file.commit();
  if (!saved) {
    ReportScreenshotMessage(LoadModuleString(IDS_SCREENSHOT_SAVE_ERROR));
    return false;
  }
  ReportScreenshotMessage(LoadModuleString(IDS_SCREENSHOT_SAVED), path.toWide(CP_UTF_8));
  return true;
}
