// What the host offers its plug-in modules: the objects behind its services
// and the functions its main library exports. Operation numbers are positions
// in each object's operation table; operations no module calls keep their
// place as unused entries so that the numbering holds.
#pragma once

#include <string>

#include "sdk/OdString.h"
#include "win32/WinTypes.h"

#define HOST_EXPORT __attribute__((visibility("default")))

class OdDbDatabase;
class HostDocument;

// Statuses of the host's prompts.
enum HostPromptStatus {
  kHostPromptOk = 0,       // the answer holds what was typed (the default on a plain Enter)
  kHostPromptNoInput = 1,  // no input can come (the script has ended)
  kHostPromptCancel = -2,  // the user cancelled
};

// The command line of a document, or of the application with no document.
class HostCommandOutput {
 public:
  virtual void unused0() {}
  virtual void unused1() {}
  // Operation 2: asks for a line of text. flags is a bit set of prompt
  // options (7: any text, spaces allowed, default offered); the last argument
  // is unused and 0. Returns a HostPromptStatus.
  virtual int getString(const OdChar* prompt, const OdChar* defaultText, int flags, OdString& answer, int reserved) = 0;
  virtual void unused3() {}
  // Operation 4: prints one message, formatted by the Windows wide-printf
  // rules (%s a wide string, %d an int, %.2g a double, %% a percent sign).
  virtual void print(const OdChar* format, ...) = 0;

 protected:
  ~HostCommandOutput() = default;
};

// A document window's view manager; filled in by the drawing work.
class HostViewManager;
// A document's selection input; filled in by the selection work.
class HostSelectionInput;

class HostDocument {
 public:
  // Operation 0: the drawing database.
  virtual OdDbDatabase* database() = 0;
  virtual void unused1() {}
  // Operation 2: the view manager.
  virtual HostViewManager* viewManager() = 0;
  // Operation 3: the command line of this document.
  virtual HostCommandOutput* messageOutput() = 0;
  // Operation 4: the selection input.
  virtual HostSelectionInput* selectionInput() = 0;
  virtual void unused5() {}
  virtual void unused6() {}
  virtual void unused7() {}
  virtual void unused8() {}
  virtual void unused9() {}
  virtual void unused10() {}
  virtual void unused11() {}
  virtual void unused12() {}
  virtual void unused13() {}
  // Operation 14: the window that shows the drawing (an X11 window id).
  virtual HWND viewWindow() = 0;

 protected:
  ~HostDocument() = default;
};

class HostApplication {
 public:
  // Operation 0: the current document, or null.
  virtual HostDocument* currentDocument() = 0;
  virtual void unused1() {}
  virtual void unused2() {}
  virtual void unused3() {}
  virtual void unused4() {}
  virtual void unused5() {}
  virtual void unused6() {}
  virtual void unused7() {}
  virtual void unused8() {}
  virtual void unused9() {}
  virtual void unused10() {}
  virtual void unused11() {}
  virtual void unused12() {}
  virtual void unused13() {}
  virtual void unused14() {}
  virtual void unused15() {}
  // Operation 16: the application's command line, used when no document is open.
  virtual HostCommandOutput* messageOutput() = 0;

 protected:
  ~HostApplication() = default;
};

using HostCommandFunction = void (*)();

// The command factory a module registers its commands with. It keeps copies
// of every text it is given.
class ICmdFactory {
 public:
  virtual void addRef() = 0;
  // Operation 1.
  virtual void release() = 0;
  virtual void unused2() {}
  virtual void unused3() {}
  virtual void unused4() {}
  virtual void unused5() {}
  virtual void unused6() {}
  virtual void unused7() {}
  virtual void unused8() {}
  virtual void unused9() {}
  virtual void unused10() {}
  // Operation 11: adds a command. Returns false when the name is taken.
  virtual bool addCommand(const OdChar* group, const OdChar* globalName, const OdChar* localName, int flags,
                          HostCommandFunction function, void* commandData, int reserved) = 0;

 protected:
  ~ICmdFactory() = default;
};

// A value read from a parameter tree.
struct HostParamValue {
  enum Type { kNone = 0, kNarrowText = 1, kWideText = 2, kInteger = 3 };
  Type type = kNone;
  std::string narrow;
  OdString wide;
  long long integer = 0;
};

// A node of a parameter tree: named child nodes and named values.
class IParam {
 public:
  virtual void addRef() = 0;
  // Operation 1.
  virtual void release() = 0;
  // The child node of that name with a reference added, or null. With
  // create != 0 a missing child is made.
  virtual IParam* child(const char* name, int create) = 0;
  // Fills value and returns true when the node has a value of that name.
  virtual bool value(const char* name, HostParamValue& value) const = 0;

 protected:
  ~IParam() = default;
};

// Services handed out by get_host_funcptr.
enum HostService {
  kHostServiceApplication = 2,  // HostApplication* (*)()
  kHostServiceShowView = 12,    // void (*)(int): brings the current view onto the screen
};

using GetHostFuncPtrFn = void* (*)(int service);
using HostApplicationFn = HostApplication* (*)();
using HostShowViewFn = void (*)(int);
using NewCmdFactoryFn = void (*)(ICmdFactory** factory);
using FioIsFileExistFn = bool (*)(const OdChar* path);
using NewMemParamFn = IParam* (*)();
using ParamIniFile2ParamFn = bool (*)(const OdChar* path, IParam* tree);
using HostSetFunHelpFn = int (*)(const OdChar* command, const OdChar* helpFile, const OdChar* topic, int flags);
using InitResTranslationFn = void (*)(HINSTANCE module);
using GetMainDllNameWFn = const OdChar* (*)();
using GetMainDllInstanceFn = HMODULE (*)();

extern "C" {
HOST_EXPORT void* get_host_funcptr(int service);
HOST_EXPORT void new_ICmdFactory(ICmdFactory** factory);
// Paths may use "\" or "/" between folders, as Windows paths do.
HOST_EXPORT bool fioIsFileExist(const OdChar* path);
HOST_EXPORT IParam* new_MemParam();
// Reads an INI file into tree: "[Section]" lines make child nodes, "key=value"
// lines values. A UTF-16 file (with its byte-order mark) gives wide texts, any
// other file narrow ones. Returns false when the file cannot be read.
HOST_EXPORT bool Param_IniFile2Param(const OdChar* path, IParam* tree);
HOST_EXPORT int hostSetFunHelp(const OdChar* command, const OdChar* helpFile, const OdChar* topic, int flags);
HOST_EXPORT void _InitResTranslation(HINSTANCE module);
}
