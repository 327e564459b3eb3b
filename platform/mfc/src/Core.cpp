// Strings, run-time class records, exceptions, module state, the thread
// object, dialog templates and the modal hook.
#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QThread>
#include <cstring>
#include <map>
#include <mutex>

#include "Internal.h"
#include "mfc/DialogTemplate.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

// ---------------------------------------------------------------- CString

int CString::Find(WCHAR ch, int start) const {
  if (start < 0) start = 0;
  const auto at = m_text.find(ch, static_cast<std::size_t>(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
  if (count <= 0) return {};
  return CString(m_text.substr(0, static_cast<std::size_t>(count)));
}

CString CString::Mid(int first) const {
  if (first < 0) first = 0;
  if (static_cast<std::size_t>(first) >= m_text.size()) return {};
  return CString(m_text.substr(static_cast<std::size_t>(first)));
}

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count <= 0 || static_cast<std::size_t>(first) >= m_text.size()) return {};
  return CString(m_text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

// ----------------------------------------------------- run-time class records

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* cls = this; cls != nullptr;
       cls = cls->m_pfnGetBaseClass != nullptr ? cls->m_pfnGetBaseClass() : nullptr) {
    if (cls == base) return true;
  }
  return false;
}

CRuntimeClass* PASCAL CObject::GetThisClass() {
  static CRuntimeClass record = {"CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr};
  return &record;
}
CRuntimeClass* CObject::GetRuntimeClass() const { return GetThisClass(); }
CObject::~CObject() = default;

CRuntimeClass* PASCAL CCmdTarget::GetThisClass() {
  static CRuntimeClass record = {"CCmdTarget", sizeof(CCmdTarget), 0xFFFF, nullptr, &CObject::GetThisClass};
  return &record;
}
CRuntimeClass* CCmdTarget::GetRuntimeClass() const { return GetThisClass(); }

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

// ------------------------------------------------------------- exceptions

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)

CException::~CException() = default;

namespace {
BOOL CopyMessage(const char16_t* text, LPWSTR error, UINT maxError) {
  if (error == nullptr || maxError == 0) return FALSE;
  win32::CopyWide(text, error, maxError);
  return TRUE;
}
thread_local mfc::CatchScope* t_innermostScope = nullptr;
}  // namespace

BOOL CException::GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext) const {
  if (helpContext != nullptr) *helpContext = 0;
  if (error != nullptr && maxError > 0) error[0] = 0;
  return FALSE;
}

BOOL CMemoryException::GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext) const {
  if (helpContext != nullptr) *helpContext = 0;
  return CopyMessage(u"Out of memory.", error, maxError);
}

BOOL CInvalidArgException::GetErrorMessage(LPWSTR error, UINT maxError, UINT* helpContext) const {
  if (helpContext != nullptr) *helpContext = 0;
  return CopyMessage(u"Encountered an improper argument.", error, maxError);
}

void CException::Delete() {
  mfc::CatchScope::Release(this);
  delete this;
}

void AfxThrowMemoryException() { throw new CMemoryException(); }
void AfxThrowUserException() { throw new CUserException(); }
void AfxThrowInvalidArgException() { throw new CInvalidArgException(); }

namespace mfc {

CatchScope::CatchScope(CException* caught) : m_caught(caught), m_outer(t_innermostScope) { t_innermostScope = this; }

CatchScope::~CatchScope() {
  t_innermostScope = m_outer;
  if (m_caught != nullptr) delete m_caught;
}

bool CatchScope::Release(CException* exception) {
  for (CatchScope* scope = t_innermostScope; scope != nullptr; scope = scope->m_outer) {
    if (scope->m_caught == exception) {
      scope->m_caught = nullptr;
      return true;
    }
  }
  return false;
}

}  // namespace mfc

// ---------------------------------------------------- module state, thread

namespace {
AFX_MODULE_STATE& ModuleState() {
  static AFX_MODULE_STATE state;
  if (state.m_hCurrentInstanceHandle == nullptr) {
    state.m_hCurrentInstanceHandle = GetModuleHandleW(nullptr);
    state.m_hCurrentResourceHandle = state.m_hCurrentInstanceHandle;
  }
  return state;
}
}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() { return &ModuleState(); }
HINSTANCE AfxGetResourceHandle() { return ModuleState().m_hCurrentResourceHandle; }
void AfxSetResourceHandle(HINSTANCE resources) { ModuleState().m_hCurrentResourceHandle = resources; }
HINSTANCE AfxGetInstanceHandle() { return ModuleState().m_hCurrentInstanceHandle; }

CWinThread::CWinThread() = default;
CWinThread::~CWinThread() = default;

namespace {

// The main window as a CWnd of its own, re-attached when the application's
// main window changes.
struct MainWindowObject {
  CWnd wnd;
  QPointer<QWidget> attachedTo;
};

QMainWindow* FindMainWindow() {
  QMainWindow* firstHidden = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* main = qobject_cast<QMainWindow*>(widget);
    if (main == nullptr) continue;
    if (main->isVisible()) return main;
    if (firstHidden == nullptr) firstHidden = main;
  }
  return firstHidden;
}

}  // namespace

CWinThread* AfxGetThread() {
  thread_local CWinThread thread;
  QCoreApplication* app = QCoreApplication::instance();
  const bool guiThread = qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread();
  if (!guiThread) {
    thread.m_pMainWnd = nullptr;
    return &thread;
  }
  static MainWindowObject& mainWindow = *new MainWindowObject;  // outlives every static of the process
  QMainWindow* main = FindMainWindow();
  if (main != mainWindow.attachedTo.data() || (main == nullptr && mainWindow.wnd.m_hWnd != nullptr)) {
    if (mainWindow.wnd.m_hWnd != nullptr) mfc::WindowBinding::Detach(mainWindow.wnd);
    if (main != nullptr) mfc::WindowBinding::Attach(mainWindow.wnd, main, mfc::Kind::Other, WS_OVERLAPPED);
    mainWindow.attachedTo = main;
  }
  thread.m_pMainWnd = main != nullptr ? &mainWindow.wnd : nullptr;
  return &thread;
}

CWnd* AfxGetMainWnd() { return AfxGetThread()->m_pMainWnd; }

// --------------------------------------------------------- dialog templates

namespace {

struct TemplateTable {
  const DialogTemplate* templates = nullptr;
  std::size_t count = 0;
};

std::mutex& TemplateMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<HMODULE, TemplateTable>& TemplateTables() {
  static std::map<HMODULE, TemplateTable> tables;
  return tables;
}

}  // namespace

extern "C" {

void RegisterDialogTemplates(HMODULE module, const DialogTemplate* templates, std::size_t count) {
  std::lock_guard lock(TemplateMutex());
  TemplateTables()[module] = TemplateTable{templates, count};
}

void UnregisterDialogTemplates(HMODULE module) {
  std::lock_guard lock(TemplateMutex());
  TemplateTables().erase(module);
}

const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id) {
  std::lock_guard lock(TemplateMutex());
  const auto it = TemplateTables().find(module);
  if (it == TemplateTables().end()) return nullptr;
  for (std::size_t i = 0; i < it->second.count; ++i) {
    if (it->second.templates[i].id == id) return &it->second.templates[i];
  }
  return nullptr;
}

}  // extern "C"

// ------------------------------------------------------------- modal hook

namespace mfc {

namespace {
ModalHook& Hook() {
  static ModalHook hook;
  return hook;
}
}  // namespace

ModalDriver::~ModalDriver() = default;

ModalHook SetModalHook(ModalHook hook) {
  ModalHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

const ModalHook* CurrentModalHook() { return Hook() ? &Hook() : nullptr; }

}  // namespace mfc
