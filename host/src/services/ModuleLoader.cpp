#include "host/ModuleLoader.h"

#include "host/CommandRegistry.h"
#include "sdk/OdRxDynamicModule.h"
#include "win32/Text.h"

namespace host {

namespace {
// The SDK interface this host is built against.
constexpr int kHostApiMajor = 23;
constexpr int kHostApiMinor = 10;
}  // namespace

bool ModuleLoader::load(const std::string& path, std::string& error) {
  unload();
  const std::u16string widePath = win32::FromUtf8(path);
  HMODULE library = LoadLibraryW(widePath.c_str());
  if (library == nullptr) {
    error = "the library cannot be loaded";
    return false;
  }
  auto getVersion = reinterpret_cast<OdrxGetAPIVersionFn>(GetProcAddress(library, "odrxGetAPIVersion"));
  auto create = reinterpret_cast<OdrxCreateModuleObjectFn>(GetProcAddress(library, "odrxCreateModuleObject"));
  if (getVersion == nullptr || create == nullptr) {
    error = "not a module: odrxGetAPIVersion or odrxCreateModuleObject is missing";
    FreeLibrary(library);
    return false;
  }
  getVersion(&m_version[0], &m_version[1], &m_version[2], &m_version[3]);
  if (m_version[0] != kHostApiMajor || m_version[1] != kHostApiMinor) {
    error = "it was built for interface " + version();
    FreeLibrary(library);
    return false;
  }
  HMODULE handle = library;  // the module object takes this over
  m_module = create(&handle);
  if (m_module == nullptr) {
    error = "odrxCreateModuleObject returned no object";
    FreeLibrary(library);
    return false;
  }
  m_library = library;
  m_module->initApp();
  return true;
}

void ModuleLoader::unload() {
  if (m_library == nullptr) return;
  if (m_module != nullptr) {
    m_module->uninitApp();
    m_module->deleteModule();
    m_module = nullptr;
  }
  CommandRegistry::instance().removeCommandsOf(m_library);
  FreeLibrary(m_library);
  m_library = nullptr;
}

std::string ModuleLoader::version() const {
  return std::to_string(m_version[0]) + "." + std::to_string(m_version[1]) + "." + std::to_string(m_version[2]) + "." +
         std::to_string(m_version[3]);
}

}  // namespace host
