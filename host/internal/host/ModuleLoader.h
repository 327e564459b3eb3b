// Loads a plug-in module the way the host does: LoadLibrary, the interface
// version, the module object, initApp; and back in reverse order.
#pragma once

#include <string>

#include "host/HostApi.h"

class OdRxModule;

namespace host {

class HOST_EXPORT ModuleLoader {
 public:
  ModuleLoader() = default;
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;
  ~ModuleLoader() { unload(); }

  // Returns false and fills error when the library or one of its entry
  // points is missing, or its interface version is not the host's.
  bool load(const std::string& path, std::string& error);
  // uninitApp, deleteModule, the module's commands dropped, the library freed.
  void unload();

  bool loaded() const { return m_library != nullptr; }
  OdRxModule* module() const { return m_module; }
  HMODULE library() const { return m_library; }
  std::string version() const;

 private:
  HMODULE m_library = nullptr;
  OdRxModule* m_module = nullptr;
  int m_version[4] = {};
};

}  // namespace host
