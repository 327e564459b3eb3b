#include "sdk/OdDbDatabase.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "sdk/OdDb2dPolyline.h"
#include "sdk/OdDb3dPolyline.h"
#include "sdk/OdDbArc.h"
#include "sdk/OdDbBlockTableRecord.h"
#include "sdk/OdDbCircle.h"
#include "sdk/OdDbDwgClasses.h"
#include "sdk/OdDbEntity.h"
#include "sdk/OdDbLine.h"
#include "sdk/OdDbPolyline.h"
#include "sdk/OdDbSpline.h"
#include "sdk/OdDbViewportTable.h"

// ---- handles and ids --------------------------------------------------------

const OdDbObjectId OdDbObjectId::kNull;

OdString OdDbHandle::ascii() const {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(m_value));
  return OdString::fromUtf8(text);
}

bool OdDbHandle::fromAscii(const std::string& text) {
  if (text.empty() || text.size() > 16) return false;
  OdUInt64 value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * 16 + static_cast<OdUInt64>(digit);
  }
  m_value = value;
  return true;
}

bool OdDbObjectId::isErased() const { return m_stub != nullptr && m_stub->object && m_stub->object->isErased(); }

OdDbHandle OdDbObjectId::getHandle() const { return m_stub != nullptr ? m_stub->handle : OdDbHandle(); }

OdDbDatabase* OdDbObjectId::database() const { return m_stub != nullptr ? m_stub->database : nullptr; }

OdResult OdDbObjectId::openObject(OdDbObjectPtr& object, OdDb::OpenMode mode, bool openErasedOne) const {
  object.release();
  if (m_stub == nullptr) return eNullObjectId;
  if (!m_stub->object) return eKeyNotFound;
  if (m_stub->object->isErased() && !openErasedOne) return eWasErased;
  m_stub->object->setOpenMode(mode);
  if (mode == OdDb::kForWrite && m_stub->database != nullptr)
    m_stub->database->touch(m_stub->object->isKindOf(OdDbEntity::desc()));
  object = m_stub->object;
  return eOk;
}

OdDbObjectPtr OdDbObjectId::openObject(OdDb::OpenMode mode, bool openErasedOne) const {
  OdDbObjectPtr object;
  openObject(object, mode, openErasedOne);
  return object;
}

// ---- objects ---------------------------------------------------------------

ODRX_DEFINE_MEMBERS(OdDbObject, OdRxObject)

OdResult OdDbObject::erase(bool erasing) {
  if (m_id.isNull()) return eNotApplicable;
  if (m_erased == erasing) return eOk;
  m_erased = erasing;
  modified();
  return eOk;
}

void OdDbObject::upgradeOpen() {
  if (m_openMode != OdDb::kForWrite) {
    m_openMode = OdDb::kForWrite;
    modified();
  }
}

void OdDbObject::modified() const {
  if (OdDbDatabase* db = database()) db->touch(isKindOf(OdDbEntity::desc()));
}

void OdDbObject::copyFrom(const OdRxObject* source) { OdRxObject::copyFrom(source); }

// ---- the class registry -----------------------------------------------------

namespace {
std::mutex g_classMutex;
std::set<const OdRxClass*>& LoadedClasses() {
  static std::set<const OdRxClass*> classes;
  return classes;
}
}  // namespace

void odrxRegisterClass(const OdRxClass* cls) {
  std::lock_guard lock(g_classMutex);
  LoadedClasses().insert(cls);
}

void odrxUnregisterClass(const OdRxClass* cls) {
  std::lock_guard lock(g_classMutex);
  LoadedClasses().erase(cls);
}

bool odrxIsClassLoaded(const OdRxClass* cls) {
  std::lock_guard lock(g_classMutex);
  return LoadedClasses().count(cls) != 0;
}

const OdRxClass* g_odDbRegistredDwgClasses[kOdDbDwgClassCount] = {};

namespace {
// Loads the database classes when the library loads, as the SDK's own
// initialisation does.
struct DbClassesLoader {
  DbClassesLoader() {
    const OdRxClass* all[] = {OdDbObject::desc(),
                              OdDbEntity::desc(),
                              OdDbCurve::desc(),
                              OdDbLine::desc(),
                              OdDbArc::desc(),
                              OdDbCircle::desc(),
                              OdDbPolyline::desc(),
                              OdDb2dPolyline::desc(),
                              OdDb3dPolyline::desc(),
                              OdDbSpline::desc(),
                              OdDbSymbolTable::desc(),
                              OdDbSymbolTableRecord::desc(),
                              OdDbViewportTable::desc(),
                              OdDbViewportTableRecord::desc(),
                              OdDbBlockTableRecord::desc(),
                              OdDbDatabase::desc()};
    for (const OdRxClass* cls : all) odrxRegisterClass(cls);
    g_odDbRegistredDwgClasses[15] = OdDb2dPolyline::desc();
    g_odDbRegistredDwgClasses[16] = OdDb3dPolyline::desc();
    g_odDbRegistredDwgClasses[17] = OdDbArc::desc();
    g_odDbRegistredDwgClasses[18] = OdDbCircle::desc();
    g_odDbRegistredDwgClasses[19] = OdDbLine::desc();
    g_odDbRegistredDwgClasses[36] = OdDbSpline::desc();
    g_odDbRegistredDwgClasses[60] = OdDbViewportTable::desc();
    g_odDbRegistredDwgClasses[65] = OdDbViewportTableRecord::desc();
    g_odDbRegistredDwgClasses[77] = OdDbPolyline::desc();
  }
} g_dbClassesLoader;
}  // namespace

// ---- block record -------------------------------------------------------------

ODRX_DEFINE_MEMBERS(OdDbBlockTableRecord, OdDbObject)

OdSmartPtr<OdDbBlockTableRecord> OdDbBlockTableRecord::createObject() {
  return odrxCreateLoaded<OdDbBlockTableRecord>();
}

// ---- the database -------------------------------------------------------------

ODRX_DEFINE_MEMBERS(OdDbDatabase, OdRxObject)

OdDbDatabase::OdDbDatabase() = default;

OdDbDatabase::~OdDbDatabase() {
  // Objects may hold ids of each other; drop them before the stubs go.
  for (auto& entry : m_stubs) entry.second->object.release();
}

OdSmartPtr<OdDbDatabase> OdDbDatabase::createObject(bool withActiveViewport) {
  OdSmartPtr<OdDbDatabase> db(OdRxObjectImpl<OdDbDatabase>::createObject(), kOdRxObjAttach);
  auto modelSpace = OdDbBlockTableRecord::createObject();
  modelSpace->setName(u"*Model_Space");
  db->m_modelSpaceId = db->addOdDbObject(modelSpace.get());
  auto table = OdDbViewportTable::createObject();
  db->m_viewportTableId = db->addOdDbObject(table.get());
  if (withActiveViewport) {
    auto active = OdDbViewportTableRecord::createObject();
    active->setName(viewportActiveNameStr);
    table->add(active.get());
  }
  db->m_undoRecords = 0;
  return db;
}

OdDbObjectId OdDbDatabase::addOdDbObject(OdDbObject* object, OdDbObjectId ownerId, OdDbHandle wantedHandle) {
  if (object == nullptr || !object->objectId().isNull()) return OdDbObjectId::kNull;
  OdUInt64 handle = wantedHandle.value();
  if (handle == 0 || m_stubs.count(handle) != 0) {
    while (m_stubs.count(m_nextHandle) != 0) ++m_nextHandle;
    handle = m_nextHandle++;
  } else if (handle >= m_nextHandle) {
    m_nextHandle = handle + 1;
  }
  auto stub = std::make_unique<OdDbStub>();
  stub->database = this;
  stub->handle = OdDbHandle(handle);
  stub->object = object;
  OdDbObjectId id(stub.get());
  m_stubs.emplace(handle, std::move(stub));
  object->attach(id);
  object->setOwnerId(ownerId);
  touch(object->isKindOf(OdDbEntity::desc()));
  return id;
}

OdDbObjectId OdDbDatabase::addEntity(OdDbEntity* entity, OdDbHandle wantedHandle) {
  const OdDbObjectId id = addOdDbObject(entity, m_modelSpaceId, wantedHandle);
  if (!id.isNull()) m_modelSpace.push_back(id);
  return id;
}

OdDbObjectId OdDbDatabase::getOdDbObjectId(const OdDbHandle& handle) const {
  auto it = m_stubs.find(handle.value());
  return it == m_stubs.end() ? OdDbObjectId::kNull : OdDbObjectId(it->second.get());
}

OdDbObjectId OdDbDatabase::activeViewportId() const {
  OdDbObjectPtr object = m_viewportTableId.openObject(OdDb::kForRead);
  auto* table = OdDbViewportTable::cast(object.get());
  return table != nullptr ? table->getActiveViewportId() : OdDbObjectId::kNull;
}

OdGeExtents3d OdDbDatabase::modelSpaceExtents() const {
  OdGeExtents3d extents;
  for (const OdDbObjectId& id : m_modelSpace) {
    OdDbObjectPtr object = id.openObject(OdDb::kForRead);
    auto* entity = OdDbEntity::cast(object.get());
    if (entity != nullptr && entity->visibility() == OdDb::kVisible) extents.addExt(entity->geomExtents());
  }
  return extents;
}
