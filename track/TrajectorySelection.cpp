#include "track/TrajectorySelection.h"

#include "base/HostAccess.h"
#include "resources/StringTable.h"
#include "sdk/OdDbDwgClasses.h"

namespace {

// The DWG object types a trajectory may have, in the order they are tried.
constexpr int kTrajectoryTypes[] = {15 /* 2D polyline */, 77 /* lightweight polyline */, 36 /* spline */};

// Asks for the trajectory with the tracker's filter; answers what
// HostSelectionInput::select answers.
int SelectWithFilter(HostSelectionInput& input, hostSelectionSetPtr& set) {
  const OdString prompt = LoadModuleString(IDS_SELECT_TRAJECTORY);
  SelectTrajectoryTracker tracker;
  return input.select(set, 0, prompt.c_str(), 0, kHostSelectReplace | kHostSelectFilterHeld, 0, 0, 0, &tracker);
}

}  // namespace

bool SelectTrajectoryTracker::isSelectable(const OdDbObjectId& id) {
  OdDbObjectPtr object = id.openObject(OdDb::kForRead, false);
  if (object.isNull()) return false;
  OdDbEntityPtr entity = odCastOrThrow<OdDbEntity>(object);
  bool accepted = false;
  for (const int type : kTrajectoryTypes) {
    const OdRxClass* cls = g_odDbRegistredDwgClasses[type];
    if (cls != nullptr && entity->isKindOf(cls)) {
      accepted = true;
      break;
    }
  }
  entity.release();
  return accepted;
}

bool PickTrajectory(HostDocument& document, PickedTrajectory& picked) {
  HostSelectionInput* input = document.selectionInput();
  OdDbDatabase* database = document.database();
  if (input == nullptr || database == nullptr) return false;

  // What was selected before the command is offered to the pick.
  hostSelectionSetPtr set = input->currentSelectionSet();
  if (set.isNull() || set->numEntities() == 0) {
    set = hostSelectionSet::createObject(database);
  } else {
    set = input->currentSelectionSet();
  }
  if (set.isNull()) return false;

  if (SelectWithFilter(*input, set) == kHostPromptCancel) return false;
  if (set.isNull() || set->numEntities() == 0) return false;
  const std::vector<OdDbObjectId> ids = set->objectIdArray();
  if (ids.size() != 1) return false;

  OdDbEntityPtr entity(OdDbEntity::cast(ids.front().openObject(OdDb::kForRead, false).get()));
  if (entity.isNull()) return false;

  // The pick is taken: the drawing shows nothing as selected any more.
  {
    hostSelectionSetPtr empty = hostSelectionSet::createObject(database);
    input->replaceCurrentSelectionSet(empty.get());
  }
  set->clear();

  OdDbCurvePtr curve(OdDbCurve::cast(entity.get()));
  if (curve.isNull()) return false;
  picked.selection = set;
  picked.entity = entity;
  picked.curve = curve;
  return true;
}
