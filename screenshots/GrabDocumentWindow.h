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

// The arithmetic of the grab, apart from the screens themselves.
struct GrabScreen {
  int width = 0;           // geometry().width()
  double pixelRatio = 1.0;  // devicePixelRatio()
};

struct GrabArea {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The widest screen's pixel ratio (the first of equally wide ones), squared
// when the pointer's screen is narrower than the widest; 1.0 without
// screens.
double GrabScaleRatio(const std::vector<GrabScreen>& screens, int pointerScreenWidth);
// The window rectangle divided by the ratio, each value truncated toward zero.
GrabArea ScaleWindowRect(const RECT& rect, double ratio);
