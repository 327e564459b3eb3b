// What both screenshot commands print, and their save.
#pragma once

#include <QPixmap>

#include "sdk/OdString.h"

// One message on the host's command line (the current document's, else the
// application's): text and detail joined with nothing between them. Neither
// is ever read as a format, so a "%" in a typed name or profile path shows
// as it is.
void ReportScreenshotMessage(const OdString& text, const OdString& detail = OdString());

// Writes picture as a PNG file at path (UTF-8) and reports the outcome:
// "Screenshot saved:" and the path when the file was written, "Screenshot
// saving error" otherwise (a null picture, a name the file system refuses,
// a missing subfolder, a full disk). A picture of the same name is replaced
// only by a complete file, and is left as it was when the save fails. True
// when written.
bool SaveScreenshot(const QPixmap& picture, const OdAnsiString& path);
