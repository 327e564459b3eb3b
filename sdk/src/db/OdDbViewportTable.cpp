#include "sdk/OdDbViewportTable.h"

#include "sdk/OdDbDatabase.h"
#include "win32/Text.h"

const OdChar* viewportActiveNameStr = u"*Active";

namespace {
bool SameName(const OdString& a, const OdString& b) {
  return win32::ToUpperAscii(a.c_str()) == win32::ToUpperAscii(b.c_str());
}
}  // namespace

ODRX_DEFINE_MEMBERS(OdDbSymbolTableRecord, OdDbObject)
ODRX_DEFINE_MEMBERS(OdDbSymbolTable, OdDbObject)
ODRX_DEFINE_MEMBERS(OdDbAbstractViewTableRecord, OdDbSymbolTableRecord)
ODRX_DEFINE_MEMBERS(OdDbViewportTableRecord, OdDbAbstractViewTableRecord)
ODRX_DEFINE_MEMBERS(OdDbViewportTable, OdDbSymbolTable)

void OdDbSymbolTableRecord::setName(const OdString& name) {
  m_name = name;
  modified();
}

void OdDbSymbolTableRecord::copyFrom(const OdRxObject* source) {
  OdDbObject::copyFrom(source);
  m_name = static_cast<const OdDbSymbolTableRecord*>(source)->m_name;
  modified();
}

OdDbObjectId OdDbSymbolTable::getAt(const OdString& name, bool getErasedRecord) const {
  for (const OdDbObjectId& id : m_records) {
    OdDbObjectPtr object = id.openObject(OdDb::kForRead, getErasedRecord);
    auto* record = OdDbSymbolTableRecord::cast(object.get());
    if (record != nullptr && SameName(record->getName(), name)) return id;
  }
  return OdDbObjectId::kNull;
}

OdDbSymbolTableRecordPtr OdDbSymbolTable::getAt(const OdString& name, OdDb::OpenMode mode, bool getErasedRecord) const {
  const OdDbObjectId id = getAt(name, getErasedRecord);
  if (id.isNull()) return {};
  return odCastOrThrow<OdDbSymbolTableRecord>(id.openObject(mode, getErasedRecord));
}

bool OdDbSymbolTable::has(const OdString& name) const { return !getAt(name, false).isNull(); }

OdDbObjectId OdDbSymbolTable::add(OdDbSymbolTableRecord* record, OdDbHandle wantedHandle) {
  OdDbDatabase* db = database();
  if (db == nullptr) throw OdError(eNotApplicable, "the table is not in a database");
  if (record == nullptr || !record->objectId().isNull())
    throw OdError(eInvalidInput, "record is null or already added");
  if (!allowsRepeatedNames() && has(record->getName())) throw OdError(eDuplicateKey, record->getName().toUtf8());
  const OdDbObjectId id = db->addOdDbObject(record, objectId(), wantedHandle);
  m_records.push_back(id);
  return id;
}

void OdDbAbstractViewTableRecord::copyFrom(const OdRxObject* source) {
  OdDbSymbolTableRecord::copyFrom(source);
  const auto* other = static_cast<const OdDbAbstractViewTableRecord*>(source);
  m_center = other->m_center;
  m_height = other->m_height;
  m_width = other->m_width;
  m_target = other->m_target;
  m_direction = other->m_direction;
  m_twist = other->m_twist;
  m_lens = other->m_lens;
  m_perspective = other->m_perspective;
}

OdSmartPtr<OdDbViewportTableRecord> OdDbViewportTableRecord::createObject() {
  return odrxCreateLoaded<OdDbViewportTableRecord>();
}

void OdDbViewportTableRecord::copyFrom(const OdRxObject* source) {
  OdDbAbstractViewTableRecord::copyFrom(source);
  const auto* other = static_cast<const OdDbViewportTableRecord*>(source);
  m_lowerLeft = other->m_lowerLeft;
  m_upperRight = other->m_upperRight;
}

OdSmartPtr<OdDbViewportTable> OdDbViewportTable::createObject() { return odrxCreateLoaded<OdDbViewportTable>(); }

OdDbObjectId OdDbViewportTable::getActiveViewportId() const { return getAt(OdString(viewportActiveNameStr), false); }
