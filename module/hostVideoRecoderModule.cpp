#include "module/hostVideoRecoderModule.h"

#include <algorithm>

#include "base/HostReference.h"
#include "host/HostApi.h"
#include "module/CommandTable.h"
#include "recording/RecordingCommands.h"
#include "win32/Kernel.h"

namespace {

constexpr char16_t kHelpTopicPrefix[] = u"::/Lmxs/IDH_";
constexpr char16_t kConfigurationFile[] = u"Lumatrix.ini";
constexpr char kConfigurationSection[] = "Configuration";
constexpr char kHelpFileKey[] = "LmxHelpFile";
// Windows paths may use either separator; this one is valid on both systems.
constexpr char16_t kDirectoryDelimiter = u'/';

int LastSeparator(const OdString& path) { return std::max(path.reverseFind(u'/'), path.reverseFind(u'\\')); }

OdString FolderOf(const OdString& path) {
  const int separator = LastSeparator(path);
  return separator < 0 ? OdString() : path.left(separator);
}

// The same path with its extension changed, or added when it has none.
OdString WithExtension(const OdString& path, const OdChar* extension) {
  const int dot = path.reverseFind(u'.');
  const OdString stem = dot > LastSeparator(path) ? path.left(dot) : path;
  return stem + u"." + extension;
}

// Reads the help file name of the configuration tree; empty when absent.
OdString HelpFileValue(IParam* tree) {
  const HostReference<IParam> section(tree->child(kConfigurationSection, 0));
  if (!section) return {};
  OdString value;
  HostParamValue found;
  if (section->value(kHelpFileKey, found)) {
    if (found.type == HostParamValue::kNarrowText) {
      value = OdString::fromUtf8(found.narrow);
    } else if (found.type == HostParamValue::kWideText) {
      value = found.wide;
    }
  }
  return value;
}

}  // namespace

bool RegisterHelpTopic(const OdString& commandName) {
  OdString topic = OdString(kHelpTopicPrefix) + commandName;
  topic.makeLower();

  HMODULE mainLibrary = GetModuleHandleW(u"LMX_Main.dll");
  if (mainLibrary == nullptr) return false;
  WCHAR mainPath[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(mainLibrary, mainPath, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return false;
  const OdString configurationPath = FolderOf(OdString(mainPath, static_cast<int>(length))) +
                                     OdString(std::u16string(1, kDirectoryDelimiter)) + kConfigurationFile;

  auto fileExists = reinterpret_cast<FioIsFileExistFn>(GetProcAddress(mainLibrary, "fioIsFileExist"));
  auto newTree = reinterpret_cast<NewMemParamFn>(GetProcAddress(mainLibrary, "new_MemParam"));
  auto readIni = reinterpret_cast<ParamIniFile2ParamFn>(GetProcAddress(mainLibrary, "Param_IniFile2Param"));
  auto setHelp = reinterpret_cast<HostSetFunHelpFn>(GetProcAddress(mainLibrary, "hostSetFunHelp"));
  if (fileExists == nullptr || newTree == nullptr || readIni == nullptr || setHelp == nullptr) return false;
  if (!fileExists(configurationPath.c_str())) return false;

  OdString value;
  {
    const HostReference<IParam> tree(newTree());
    if (!tree || !readIni(configurationPath.c_str(), tree.get())) return false;
    value = HelpFileValue(tree.get());
  }

  OdString helpFile = value.isEmpty()
                          ? WithExtension(configurationPath, u"chm")
                          : FolderOf(configurationPath) + OdString(std::u16string(1, kDirectoryDelimiter)) + value;
  setHelp(commandName.c_str(), helpFile.c_str(), topic.c_str(), 0);
  return true;
}

void hostVideoRecoderModule::initApp() {
  for (const OdString& name : helpCommandNames) RegisterHelpTopic(name);
}

void hostVideoRecoderModule::uninitApp() { StopLiveCaptureAndWait(); }
