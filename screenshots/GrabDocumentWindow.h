// Copies what the screen shows inside the current document's view window.
#pragma once

#include <QPixmap>
#include <vector>

#include "win32/WinTypes.h"

// The screen pixels inside the view window's rectangle (frame included, as
// GetWindowRect reports it), read from the desktop window on the screen
// under the mouse pointer. Whatever covers the window is in the picture. A
// null pixmap when there is no document, no view window, no readable
// rectangle or no screen under the pointer.
QPixmap GrabDocumentWindow();

// The arithmetic of the grab, apart from the screens themselves. Qt's grab
// on a screen takes device-independent coordinates and multiplies them by
// that screen's scale factor, rounding to whole device pixels; window
// rectangles come in device pixels. So the grab asks for the area that
// covers the rectangle at the grabbing screen's factor, and the picture is
// then cut to the rectangle's exact device pixels.
struct GrabArea {
  int x = 0;  // device-independent, for the grab
  int y = 0;
  int width = 0;
  int height = 0;
  int cropX = 0;  // device pixels, in the grabbed picture
  int cropY = 0;
  int cropWidth = 0;
  int cropHeight = 0;
};

// The area for a grab on a screen of scale factor `ratio` (its
// devicePixelRatio()) that covers `rect`, and the rectangle's place in it.
GrabArea CoverWindowRect(const RECT& rect, double ratio);
