// Database-resident objects, their handles and ids, and opening by id.
#pragma once

#include <string>

#include "sdk/OdRxObject.h"

class OdDbDatabase;
class OdDbObject;
struct OdDbStub;

namespace OdDb {
enum OpenMode { kNotOpen = -1, kForRead = 0, kForWrite = 1, kForNotify = 2 };
enum Visibility { kVisible = 0, kInvisible = 1 };
}  // namespace OdDb

// A 64-bit handle, unique within its database, written as upper-case hex.
class ODSDK_EXPORT OdDbHandle {
 public:
  OdDbHandle() = default;
  OdDbHandle(OdUInt64 value) : m_value(value) {}
  bool isNull() const { return m_value == 0; }
  OdUInt64 value() const { return m_value; }
  operator OdUInt64() const { return m_value; }
  OdString ascii() const;
  // Parses hex text; false (and the handle unchanged) when it is not hex.
  bool fromAscii(const std::string& text);
  friend bool operator==(const OdDbHandle& a, const OdDbHandle& b) { return a.m_value == b.m_value; }

 private:
  OdUInt64 m_value = 0;
};

using OdDbObjectPtr = OdSmartPtr<OdDbObject>;

// Names an object of a database. Ids are small values, copied freely; an id
// stays valid as long as its database lives, also after its object is erased.
class ODSDK_EXPORT OdDbObjectId {
 public:
  OdDbObjectId() = default;
  explicit OdDbObjectId(OdDbStub* stub) : m_stub(stub) {}
  static const OdDbObjectId kNull;

  bool isNull() const { return m_stub == nullptr; }
  bool isValid() const { return m_stub != nullptr; }
  bool isErased() const;
  OdDbHandle getHandle() const;
  OdDbDatabase* database() const;
  // Opens the object. Returns null for a null id, and for an erased object
  // unless openErasedOne is true.
  OdDbObjectPtr openObject(OdDb::OpenMode mode = OdDb::kForRead, bool openErasedOne = false) const;
  // As openObject, with the reason for a null result.
  OdResult openObject(OdDbObjectPtr& object, OdDb::OpenMode mode = OdDb::kForRead, bool openErasedOne = false) const;

  friend bool operator==(const OdDbObjectId& a, const OdDbObjectId& b) { return a.m_stub == b.m_stub; }
  friend bool operator!=(const OdDbObjectId& a, const OdDbObjectId& b) { return a.m_stub != b.m_stub; }
  friend bool operator<(const OdDbObjectId& a, const OdDbObjectId& b) {
    return a.getHandle().value() < b.getHandle().value();
  }
  OdDbStub* stub() const { return m_stub; }

 private:
  OdDbStub* m_stub = nullptr;
};

// The base of everything a database holds. Created unattached (no id, no
// database); a database adds it and gives it an id and a handle.
class ODSDK_EXPORT OdDbObject : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdDbObject);

 public:
  OdDbObjectId objectId() const { return m_id; }
  OdDbObjectId ownerId() const { return m_ownerId; }
  OdDbHandle getDbHandle() const { return m_id.getHandle(); }
  // The database this object lives in, or null while unattached.
  OdDbDatabase* database() const { return m_id.database(); }
  bool isErased() const { return m_erased; }
  // Erases (true) or brings back (false) the object. Returns eNotApplicable
  // for an object that is not in a database.
  OdResult erase(bool erasing = true);
  // The mode of the latest opening through an id (kNotOpen for an
  // unattached object).
  OdDb::OpenMode openMode() const { return m_openMode; }
  bool isWriteEnabled() const { return m_openMode == OdDb::kForWrite || m_id.isNull(); }
  void upgradeOpen();
  // Copies the settings of another object of the same class (not its id,
  // owner or erased state). Throws OdError_NotThatKindOfClass otherwise.
  void copyFrom(const OdRxObject* source) override;

  // Called by the database only.
  void setOwnerId(OdDbObjectId owner) { m_ownerId = owner; }
  void attach(OdDbObjectId id) { m_id = id; }
  void setOpenMode(OdDb::OpenMode mode) { m_openMode = mode; }

 protected:
  OdDbObject() = default;
  // Marks the database changed, so that views draw it again.
  void modified() const;

 private:
  OdDbObjectId m_id;
  OdDbObjectId m_ownerId;
  bool m_erased = false;
  OdDb::OpenMode m_openMode = OdDb::kNotOpen;
};

// The classes that may be created. Database classes are loaded when the SDK
// library loads; unloading one (as a test does) makes its createObject throw
// OdError(eClassNotLoaded).
ODSDK_EXPORT void odrxRegisterClass(const OdRxClass* cls);
ODSDK_EXPORT void odrxUnregisterClass(const OdRxClass* cls);
ODSDK_EXPORT bool odrxIsClassLoaded(const OdRxClass* cls);

// Creates an object of a loaded class, held by the returned pointer.
template <class T>
OdSmartPtr<T> odrxCreateLoaded() {
  if (!odrxIsClassLoaded(T::desc())) throw OdError(eClassNotLoaded, T::desc()->name().toUtf8() + " is not loaded");
  return OdSmartPtr<T>(OdRxObjectImpl<T>::createObject(), kOdRxObjAttach);
}

// Takes an object as a derived class: null stays null, another class throws
// OdError_NotThatKindOfClass (as the SDK's smart pointers do when assigned).
template <class T>
OdSmartPtr<T> odCastOrThrow(const OdRxObjectPtr& object) {
  if (object.isNull()) return {};
  T* cast = T::cast(object.get());
  if (cast == nullptr) throw OdError_NotThatKindOfClass(object->isA(), T::desc());
  return OdSmartPtr<T>(cast);
}
template <class T, class U>
OdSmartPtr<T> odCastOrThrow(const OdSmartPtr<U>& object) {
  return odCastOrThrow<T>(OdRxObjectPtr(object.get()));
}
