// The MFC module state's resource handle, switched for a scope: the module
// shows its dialogs from its own resources, and the host gets its handle back
// on every way out.
#pragma once

#include "win32/WinTypes.h"

class ResourceHandleScope {
 public:
  explicit ResourceHandleScope(HINSTANCE resources);
  ~ResourceHandleScope();
  ResourceHandleScope(const ResourceHandleScope&) = delete;
  ResourceHandleScope& operator=(const ResourceHandleScope&) = delete;

 private:
  HINSTANCE m_saved;
};
