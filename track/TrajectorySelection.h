// Picking the camera's trajectory for a video: one 2D polyline, lightweight
// polyline or spline of the current drawing.
#pragma once

#include "host/HostSelection.h"
#include "sdk/OdDbEntity.h"

// Tells the host's pick which objects may be a trajectory: 2D polylines,
// lightweight polylines, splines and classes derived from them. An object
// that is not an entity is an error of the caller (OdError_NotThatKindOfClass).
class SelectTrajectoryTracker final : public HostEdSSetTracker {
 public:
  bool onStart() override { return true; }
  bool isSelectable(const OdDbObjectId& id) override;
  bool onAdded(const OdDbObjectId&) override { return true; }
  bool onEnd() override { return true; }
  void releaseObject(OdDbObjectPtr& object) override { object.release(); }
};

// What the pick gives the command, held to its end.
struct PickedTrajectory {
  hostSelectionSetPtr selection;
  OdDbEntityPtr entity;
  OdDbCurvePtr curve;
};

// Lets the user pick the trajectory ("Select trajectory"). False when the
// command has to end: no selection set, a cancelled or empty pick, more
// than one object, or an object that is not a curve. From the point where
// one entity was picked, the host's current selection is a new empty set.
bool PickTrajectory(HostDocument& document, PickedTrajectory& picked);
