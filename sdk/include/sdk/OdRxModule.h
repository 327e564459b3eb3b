// Modules: a library's object through which the host initialises it.
#pragma once

#include "sdk/OdRxObject.h"

class ODSDK_EXPORT OdRxModule : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdRxModule)

 public:
  OdRxObject* queryX(const OdRxClass* protocolClass) const override;
  // The operating system's handle of the library that holds the module.
  virtual void* sysData() = 0;
  // Clears the module's instance and destroys the object.
  virtual void deleteModule() = 0;
  virtual void initApp() = 0;
  virtual void uninitApp() = 0;
  virtual OdString moduleName() const = 0;
};

using OdRxModulePtr = OdSmartPtr<OdRxModule>;
