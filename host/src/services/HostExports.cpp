// The functions the host's main library exports to its modules.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>

#include "host/CommandRegistry.h"
#include "host/HostApi.h"
#include "host/HostSession.h"
#include "host/ParamTree.h"
#include "win32/Text.h"

namespace {

std::string NativePath(const OdChar* path) {
  return win32::NativePath(path != nullptr ? std::u16string_view(path) : std::u16string_view());
}

HostApplication* CurrentApplication() { return &host::Application::instance(); }

void ShowCurrentView(int) { host::Application::instance().showView(); }

// A factory per request; every one adds to the same registry.
class CmdFactory final : public ICmdFactory {
 public:
  void addRef() override { m_refs.fetch_add(1); }
  void release() override {
    if (m_refs.fetch_sub(1) == 1) delete this;
  }
  bool addCommand(const OdChar* group, const OdChar* globalName, const OdChar* localName, int flags,
                  HostCommandFunction function, void* commandData, int reserved) override {
    if (globalName == nullptr || function == nullptr) return false;
    host::RegisteredCommand command;
    command.group = group != nullptr ? group : u"";
    command.globalName = globalName;
    command.localName = localName != nullptr ? localName : globalName;
    command.flags = flags;
    command.function = function;
    command.commandData = commandData;
    command.reserved = reserved;
    return host::CommandRegistry::instance().add(std::move(command));
  }

 private:
  std::atomic<int> m_refs{1};
};

}  // namespace

extern "C" {

void* get_host_funcptr(int service) {
  switch (service) {
    case kHostServiceApplication:
      return reinterpret_cast<void*>(&CurrentApplication);
    case kHostServiceShowView:
      return reinterpret_cast<void*>(&ShowCurrentView);
    default:
      return nullptr;
  }
}

void new_ICmdFactory(ICmdFactory** factory) {
  if (factory != nullptr) *factory = new CmdFactory();
}

bool fioIsFileExist(const OdChar* path) {
  struct stat info {};
  return path != nullptr && stat(NativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

IParam* new_MemParam() { return host::ParamNode::create(); }

bool Param_IniFile2Param(const OdChar* path, IParam* tree) {
  auto* node = dynamic_cast<host::ParamNode*>(tree);
  return node != nullptr && path != nullptr && node->loadIniFile(NativePath(path));
}

int hostSetFunHelp(const OdChar* command, const OdChar* helpFile, const OdChar* topic, int flags) {
  if (command == nullptr) return 0;
  host::CommandRegistry::instance().setHelp(
      {command, helpFile != nullptr ? helpFile : u"", topic != nullptr ? topic : u"", flags});
  return 1;
}

void _InitResTranslation(HINSTANCE module) { host::CommandRegistry::instance().addTranslatedModule(module); }

}  // extern "C"
