// The four-view screenshot: one point cloud, coloured by its normals, shot
// from four directions and composed into one picture.
#pragma once

#include <QPixmap>
#include <array>

#include "host/XPC.h"
#include "sdk/OdString.h"

// Takes the four views of the cloud one after another in the active view
// (SetFourViewCamera, a short wait, a grab of the document window) and
// arranges them with ArrangeFourViews at the pixel ratio of the screen
// under the mouse pointer. Takes the caller's reference to the cloud.
QPixmap ComposeFourViews(hostDbPointCloudInsertionPtr cloud, int width, int height);

// Where the four grabs go. The grabs are measured in device-independent
// pixels: the first grab's size divided by the pixel ratio, rounded (halves
// up) for the cells and truncated for the offsets of the right and lower
// cells.
struct FourViewGrid {
  int cellWidth = 0;
  int cellHeight = 0;
  int offsetX = 0;  // left edge of the right-hand cells
  int offsetY = 0;  // top edge of the lower cells
  int canvasWidth() const { return 2 * cellWidth; }
  int canvasHeight() const { return 2 * cellHeight; }
};
// A ratio that is not positive and finite counts as 1.
FourViewGrid FourViewGridFor(int firstWidth, int firstHeight, double pixelRatio);

// The 2 x 2 picture of the views in the order they were taken: the first
// top left, the second top right, the third bottom right, the fourth bottom
// left, on a black canvas (grabs that do not cover their cell leave black,
// never undefined pixels). Stretched to width x height unless either is 0.
// A negative size gives the null pixmap.
QPixmap ArrangeFourViews(const std::array<QPixmap, 4>& views, double pixelRatio, int width, int height);

// Reads "width:height": a whole number, the character ":" and a whole
// number, each possibly after white space; anything after the height is
// ignored. False when it does not have that form.
bool ParseFourViewResolution(const OdString& text, int& width, int& height);
