#include "host/Isolation.h"

#include <set>
#include <utility>

#include "host/DrawingDocument.h"
#include "host/HostSession.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbEntity.h"

namespace {

// The entities hidden by isolation, by database and handle.
std::set<std::pair<const OdDbDatabase*, OdUInt64>>& Hidden() {
  static std::set<std::pair<const OdDbDatabase*, OdUInt64>> hidden;
  return hidden;
}

void SetVisibilityKeepingUndo(OdDbEntity& entity, OdDb::Visibility visibility) {
  OdDbDatabase* db = entity.database();
  const bool undoWasDisabled = db != nullptr && db->isUndoRecordingDisabled();
  if (db != nullptr) db->disableUndoRecording(true);
  entity.setVisibility(visibility);
  if (db != nullptr) db->disableUndoRecording(undoWasDisabled);
}

void RedrawViews() {
  host::Document* document = host::Application::instance().document();
  host::Drawing* drawing = host::DrawingOf(document);
  if (drawing != nullptr && drawing->views() != nullptr && drawing->views()->widget() != nullptr)
    drawing->views()->widget()->update();
}

}  // namespace

bool setEntityInvisibleByIsolation(OdDbEntity* entity, iDocManageIsolationState* state) {
  if (entity == nullptr || entity->objectId().isNull()) return false;
  const auto key =
      std::make_pair(static_cast<const OdDbDatabase*>(entity->database()), entity->objectId().getHandle().value());
  if (Hidden().count(key) != 0) return true;
  if (entity->visibility() != OdDb::kVisible) return false;  // the user's own choice: not ours to undo later
  SetVisibilityKeepingUndo(*entity, OdDb::kInvisible);
  Hidden().insert(key);
  if (state != nullptr) state->onIsolationChanged(entity->objectId(), true);
  RedrawViews();
  return true;
}

bool setEntityVisibleByIsolation(OdDbEntity* entity, iDocManageIsolationState* state) {
  if (entity == nullptr || entity->objectId().isNull()) return false;
  const auto key =
      std::make_pair(static_cast<const OdDbDatabase*>(entity->database()), entity->objectId().getHandle().value());
  if (Hidden().erase(key) == 0) return false;
  SetVisibilityKeepingUndo(*entity, OdDb::kVisible);
  if (state != nullptr) state->onIsolationChanged(entity->objectId(), false);
  RedrawViews();
  return true;
}

bool isEntityHiddenByIsolation(const OdDbObjectId& id) {
  return Hidden().count(std::make_pair(static_cast<const OdDbDatabase*>(id.database()), id.getHandle().value())) != 0;
}

void forgetIsolationOf(const OdDbDatabase* database) {
  auto& hidden = Hidden();
  for (auto it = hidden.begin(); it != hidden.end();) it = it->first == database ? hidden.erase(it) : std::next(it);
}
