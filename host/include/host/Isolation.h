// Isolation: hiding entities from the display for a while without
// changing the drawing for good. An entity hidden by isolation is shown
// again by setEntityVisibleByIsolation; one the user had made invisible is
// left alone by both. Main thread only.
#pragma once

#include "host/HostApi.h"
#include "sdk/OdDbObject.h"

class OdDbEntity;

// Told about every change of a document's isolation state.
class HOST_EXPORT iDocManageIsolationState {
 public:
  virtual ~iDocManageIsolationState() = default;
  virtual void onIsolationChanged(const OdDbObjectId& id, bool hidden) = 0;
};

// Hides entity from every view; the views are redrawn. state, when not
// null, is told. Returns true when the entity is hidden by isolation
// afterwards. Undo recording is not touched: isolation is not an edit.
HOST_EXPORT bool setEntityInvisibleByIsolation(OdDbEntity* entity, iDocManageIsolationState* state);
// Shows an entity hidden by setEntityInvisibleByIsolation again. Returns
// true when it was hidden by isolation.
HOST_EXPORT bool setEntityVisibleByIsolation(OdDbEntity* entity, iDocManageIsolationState* state);
HOST_EXPORT bool isEntityHiddenByIsolation(const OdDbObjectId& id);
// The database is going away: nothing of it counts as hidden any more.
HOST_EXPORT void forgetIsolationOf(const OdDbDatabase* database);
