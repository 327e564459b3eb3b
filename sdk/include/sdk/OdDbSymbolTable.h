// Named records kept in a table, in the order they were added.
#pragma once

#include <vector>

#include "sdk/OdDbObject.h"

class ODSDK_EXPORT OdDbSymbolTableRecord : public OdDbObject {
  ODRX_DECLARE_MEMBERS(OdDbSymbolTableRecord);

 public:
  OdString getName() const { return m_name; }
  void setName(const OdString& name);
  void copyFrom(const OdRxObject* source) override;

 protected:
  OdDbSymbolTableRecord() = default;

 private:
  OdString m_name;
};
using OdDbSymbolTableRecordPtr = OdSmartPtr<OdDbSymbolTableRecord>;

class ODSDK_EXPORT OdDbSymbolTable : public OdDbObject {
  ODRX_DECLARE_MEMBERS(OdDbSymbolTable);

 public:
  // The first record of that name (ASCII case ignored, as the drawing
  // format does), opened in mode; erased records are passed over unless
  // getErasedRecord. Null when there is none.
  OdDbSymbolTableRecordPtr getAt(const OdString& name, OdDb::OpenMode mode = OdDb::kForRead,
                                 bool getErasedRecord = false) const;
  OdDbObjectId getAt(const OdString& name, bool getErasedRecord = false) const;
  bool has(const OdString& name) const;
  // Adds an unattached record to the table's database and to the table,
  // under wantedHandle when that handle is free.
  // Throws OdError(eNotApplicable) when the table is not in a database,
  // OdError(eInvalidInput) for a null or attached record, and
  // OdError(eDuplicateKey) for a name the table already holds (unless the
  // table allows repeated names).
  OdDbObjectId add(OdDbSymbolTableRecord* record, OdDbHandle wantedHandle = OdDbHandle());
  // The ids of all records in order, erased ones included.
  const std::vector<OdDbObjectId>& recordIds() const { return m_records; }

 protected:
  OdDbSymbolTable() = default;
  virtual bool allowsRepeatedNames() const { return false; }

 private:
  std::vector<OdDbObjectId> m_records;
};
using OdDbSymbolTablePtr = OdSmartPtr<OdDbSymbolTable>;
