// The cameras of the four-view screenshot: the document's active view aimed
// at a point cloud from above, along the four diagonals of the XY plane, and
// the cloud's point size in the active viewport.
#pragma once

#include <array>

#include "host/XPC.h"
#include "sdk/OdGe.h"

// One view's directions. The eye sits at the cloud's centre plus a small
// step along up + side + extra.
struct FourViewAxes {
  OdGeVector3d up;
  OdGeVector3d side;   // horizontal
  OdGeVector3d extra;  // zero in every view taken
};

// The views in the order they are shot; the combined picture shows them
// top left, top right, bottom right and bottom left.
extern const std::array<FourViewAxes, 4> kFourViews;

// The data kind the four-view screenshot needs: point normals.
constexpr OdUInt32 kFourViewNormalData = 0x1000;

// Aims the current document's active view at the cloud's centre from the
// direction of axes, in parallel projection, with a square field 1.4 times
// the larger side of the cloud's box in the XY plane, then brings the view
// onto the screen (view manager refresh, host service 12). A view in
// perspective is left alone with the message "Perspective Error". Without a
// document, database, viewport count, view manager, active view or command
// line nothing happens. Takes the caller's reference to the cloud.
void SetFourViewCamera(const FourViewAxes& axes, hostDbPointCloudInsertionPtr cloud);

// Sets the point size the cloud is drawn with in its database's active
// viewport. False, with nothing changed, when the cloud has no valid normals
// (or no database). Takes the caller's reference to the cloud.
bool SetCloudPointSize(hostDbPointCloudInsertionPtr cloud, OdUInt16 size);
