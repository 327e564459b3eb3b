#pragma once

#include "sdk/OdDbObject.h"

// The model space's block record: the owner of the model-space entities.
// The database keeps the list of its entities (OdDbDatabase::modelSpaceIds).
class ODSDK_EXPORT OdDbBlockTableRecord : public OdDbObject {
  ODRX_DECLARE_MEMBERS(OdDbBlockTableRecord);

 public:
  static OdSmartPtr<OdDbBlockTableRecord> createObject();
  OdString getName() const { return m_name; }
  void setName(const OdString& name) { m_name = name; }

 protected:
  OdDbBlockTableRecord() = default;

 private:
  OdString m_name;
};
