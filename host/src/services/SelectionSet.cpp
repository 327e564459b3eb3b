// Selection sets, and the selection input each document has: which object
// may join a set (the command's filter decides), the current selection, and
// the kinds a script names.
#include <algorithm>
#include <map>
#include <memory>

#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/XPC.h"
#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"

ODRX_DEFINE_MEMBERS(hostSelectionSet, OdRxObject)

hostSelectionSetPtr hostSelectionSet::createObject(OdDbDatabase* database) {
  hostSelectionSetPtr set(OdRxObjectImpl<hostSelectionSet>::createObject(), kOdRxObjAttach);
  set->m_database = database;
  return set;
}

bool hostSelectionSet::isMember(const OdDbObjectId& id) const {
  return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

bool hostSelectionSet::append(const OdDbObjectId& id) {
  if (id.isNull() || m_database == nullptr || id.database() != m_database || isMember(id)) return false;
  m_ids.push_back(id);
  return true;
}

bool hostSelectionSet::remove(const OdDbObjectId& id) {
  auto it = std::find(m_ids.begin(), m_ids.end(), id);
  if (it == m_ids.end()) return false;
  m_ids.erase(it);
  return true;
}

namespace host {

namespace {

struct Kind {
  const char* name;
  const OdRxClass* (*cls)();
};

// Most derived first, so that a class test finds the closest kind.
const Kind kKinds[] = {
    {"POINTCLOUD", &hostDbPointCloudInsertion::desc},
    {"LINE", &OdDbLine::desc},
    {"ARC", &OdDbArc::desc},
    {"CIRCLE", &OdDbCircle::desc},
    {"LWPOLYLINE", &OdDbPolyline::desc},
    {"POLYLINE", &OdDb2dPolyline::desc},
    {"POLYLINE3D", &OdDb3dPolyline::desc},
    {"SPLINE", &OdDbSpline::desc},
};

std::map<const Document*, std::unique_ptr<DocumentSelectionInput>>& Inputs() {
  static std::map<const Document*, std::unique_ptr<DocumentSelectionInput>> inputs;
  return inputs;
}

}  // namespace

const char* EntityKindName(const OdDbObject* object) {
  if (object == nullptr) return "";
  for (const Kind& kind : kKinds) {
    if (object->isA() == kind.cls()) return kind.name;
  }
  for (const Kind& kind : kKinds) {
    if (object->isKindOf(kind.cls())) return kind.name;
  }
  return "";
}

bool DocumentSelectionInput::Offer(hostSelectionSet& set, const OdDbObjectId& id, HostEdSSetTracker* tracker) {
  if (id.isNull() || set.isMember(id)) return false;
  OdDbObjectPtr object = id.openObject(OdDb::kForRead);
  if (object.isNull()) return false;
  bool accepted = true;
  if (tracker != nullptr) {
    try {
      accepted = tracker->isSelectable(id);
    } catch (const OdError&) {
      // A filter that cannot take the object's class refuses it.
      accepted = false;
    }
    tracker->releaseObject(object);
  }
  if (!accepted || !set.append(id)) return false;
  if (tracker != nullptr) tracker->onAdded(id);
  return true;
}

hostSelectionSetPtr DocumentSelectionInput::currentSelectionSet() {
  if (m_current.isNull() || m_current->database() != m_document.database())
    m_current = hostSelectionSet::createObject(m_document.database());
  return m_current;
}

void DocumentSelectionInput::replaceCurrentSelectionSet(hostSelectionSet* set) {
  m_current = set != nullptr ? hostSelectionSetPtr(set) : hostSelectionSet::createObject(m_document.database());
}
void InstallSelectionInput(Document& document) {
  auto& slot = Inputs()[&document];
  if (!slot) slot = std::make_unique<DocumentSelectionInput>(document);
  document.setSelectionInput(slot.get());
}

void RemoveSelectionInput(const Document& document) { Inputs().erase(&document); }
}  // namespace host
