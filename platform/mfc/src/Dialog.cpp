// CDialog: the window built from a dialog template, its modal loop, the
// translation of Qt input into messages, and the driver for scripts.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <exception>

#include "Internal.h"
#include "mfc/DialogTemplate.h"
#include "mfc/ModalDriver.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

namespace mfc {

namespace {

int MulDivRound(int value, int numerator, int denominator) {
  return static_cast<int>((static_cast<long long>(value) * numerator + denominator / 2) / denominator);
}

CWnd* BoundWindow(QWidget* widget) { return CWnd::FromHandlePermanent(HandleOf(widget)); }

// The state of one running modal dialog.
struct ModalState {
  QDialog* window = nullptr;
  const DialogTemplate* dialogTemplate = nullptr;
  std::vector<std::unique_ptr<CWnd>> defaultWindows;  // controls no member attached to
  std::vector<QWidget*> controls;                     // in template order
  bool looping = false;
  std::exception_ptr pending;
};

// Runs a message handler from a Qt slot or event: an exception must not
// unwind through Qt's event loop, so it ends the dialog and DoModal throws
// it on to its caller.
template <typename Body>
void Guarded(CDialog& dialog, Body&& body) {
  try {
    body();
  } catch (CException* e) { e->Delete(); } catch (...) {
    auto* state = static_cast<ModalState*>(WindowBinding::Modal(dialog));
    if (state == nullptr) throw;
    if (!state->pending) state->pending = std::current_exception();
    dialog.EndDialog(-1);
  }
}

void NotifyParent(CDialog& dialog, QWidget* control, UINT code) {
  Guarded(dialog, [&] {
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(ControlId(control), code), reinterpret_cast<LPARAM>(HandleOf(control)));
  });
}

class ModalDialog final : public QDialog {
 public:
  ModalDialog(CDialog& owner, QWidget* parent)
      : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint),
        m_owner(owner) {
    setModal(true);
  }

  // Esc and the close box: WM_COMMAND IDCANCEL, so OnCancel decides.
  void reject() override {
    if (m_owner.m_hWnd == nullptr) {
      QDialog::reject();
      return;
    }
    Guarded(m_owner, [&] { m_owner.SendMessage(WM_CLOSE); });
  }
  void accept() override { reject(); }  // nothing but OnOK ends a dialog with IDOK

 private:
  CDialog& m_owner;
};

// Turns key presses on a control into WM_KEYDOWN for PreTranslateMessage,
// from the control up to its dialog, and routes every way an edit control
// can paste through WM_PASTE, so a control that handles WM_PASTE sees them
// all.
class InputFilter final : public QObject {
 public:
  explicit InputFilter(CDialog& dialog) : QObject(nullptr), m_dialog(dialog) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
        return keyPress(widget, *static_cast<QKeyEvent*>(event));
      case QEvent::ContextMenu:
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
          contextMenu(edit, *static_cast<QContextMenuEvent*>(event));
          return true;
        }
        return false;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
        // X11's middle-button paste of the selection has no Windows
        // counterpart and would bypass WM_PASTE.
        return qobject_cast<QLineEdit*>(widget) != nullptr &&
               static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
      default:
        return false;
    }
  }

 private:
  bool keyPress(QWidget* widget, const QKeyEvent& key) {
    CWnd* target = BoundWindow(widget);
    if (target == nullptr) return false;
    const bool keypad = key.modifiers().testFlag(Qt::KeypadModifier);
    const int virtualKey = VirtualKeyFromQt(key.key(), keypad);
    MSG msg{};
    msg.hwnd = target->m_hWnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = static_cast<WPARAM>(virtualKey);
    msg.lParam = static_cast<LPARAM>(1 | ((key.nativeScanCode() & 0xFF) << 16) | (key.isAutoRepeat() ? 1u << 30 : 0u));
    win32::KeyModifiers modifiers;
    modifiers.shift = key.modifiers().testFlag(Qt::ShiftModifier);
    modifiers.control = key.modifiers().testFlag(Qt::ControlModifier);
    modifiers.alt = key.modifiers().testFlag(Qt::AltModifier);
    win32::SetMessageKeyModifiers(&modifiers);
    bool swallowed = false;
    Guarded(m_dialog, [&] {
      for (CWnd* wnd = target; wnd != nullptr && !swallowed; wnd = wnd->GetParent()) {
        swallowed = wnd->PreTranslateMessage(&msg) != FALSE;
      }
      if (!swallowed && qobject_cast<QLineEdit*>(widget) != nullptr && key.matches(QKeySequence::Paste)) {
        target->SendMessage(WM_PASTE);
        swallowed = true;
      }
    });
    win32::SetMessageKeyModifiers(nullptr);
    return swallowed;
  }

  void contextMenu(QLineEdit* edit, const QContextMenuEvent& event) {
    std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    for (QAction* action : menu->actions()) {
      if (action->objectName() != QLatin1String("edit-paste")) continue;
      action->disconnect();
      QObject::connect(action, &QAction::triggered, edit, [this, edit] {
        if (CWnd* wnd = BoundWindow(edit)) Guarded(m_dialog, [&] { wnd->SendMessage(WM_PASTE); });
      });
    }
    menu->exec(event.globalPos());
  }

  CDialog& m_dialog;
};

QFont DialogFont(const DialogTemplate& dialogTemplate) {
  static const bool substituted = [] {
    QFont::insertSubstitutions(
        QStringLiteral("MS Shell Dlg"),
        {QStringLiteral("Tahoma"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
         QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"), {QStringLiteral("MS Shell Dlg")});
    return true;
  }();
  (void)substituted;
  QFont font(ToQString(dialogTemplate.fontName != nullptr ? dialogTemplate.fontName : u"MS Shell Dlg"));
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY() + 0.5) : 96;
  // As Windows makes a LOGFONT of the template's points: the character
  // height in pixels at the screen's resolution.
  font.setPixelSize(std::max(1, MulDivRound(dialogTemplate.pointSize != 0 ? dialogTemplate.pointSize : 8, dpi, 72)));
  return font;
}

// Dialog base units from the dialog font, the way Windows derives them: the
// average width of the 52 letters and the character height.
struct BaseUnits {
  int x;
  int y;
};

BaseUnits UnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{std::max(1, (letters / 26 + 1) / 2), std::max(1, metrics.height())};
}

QRect ToPixels(const BaseUnits& units, int x, int y, int cx, int cy) {
  return QRect(MulDivRound(x, units.x, 4), MulDivRound(y, units.y, 8), MulDivRound(cx, units.x, 4),
               MulDivRound(cy, units.y, 8));
}

QWidget* CreateControl(CDialog& owner, QDialog& window, const DialogItemTemplate& item, const BaseUnits& units,
                       InputFilter& filter) {
  const std::u16string className = win32::ToLowerAscii(item.className != nullptr ? item.className : u"");
  const QString text = ToQString(item.text != nullptr ? item.text : u"");
  const QRect rect = ToPixels(units, item.x, item.y, item.cx, item.cy);
  QWidget* widget = nullptr;
  Kind kind = Kind::Other;
  if (className == u"static") {
    auto* label = new QLabel(text, &window);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    widget = label;
    kind = Kind::Static;
  } else if (className == u"edit") {
    auto* edit = new QLineEdit(text, &window);
    edit->setFrame((item.style & WS_BORDER) != 0);
    edit->setReadOnly((item.style & ES_READONLY) != 0);
    edit->setAcceptDrops(false);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setGeometry(rect);
    widget = edit;
    kind = Kind::Edit;
  } else if (className == u"button") {
    auto* button = new QPushButton(text, &window);
    button->setAutoDefault(true);
    button->setDefault((item.style & 0xF) == BS_DEFPUSHBUTTON);
    button->setGeometry(rect);
    QObject::connect(button, &QPushButton::clicked, &window,
                     [&owner, button] { NotifyParent(owner, button, BN_CLICKED); });
    widget = button;
    kind = Kind::Button;
  } else if (className == u"combobox") {
    auto* combo = new QComboBox(&window);
    combo->setEditable((item.style & 0x3) == CBS_DROPDOWN);
    // The template's height is the dropped-down list's; the closed box is as
    // high as an edit field.
    const QRect closed = ToPixels(units, item.x, item.y, item.cx, 14);
    combo->setGeometry(closed);
    const int itemHeight = std::max(1, QFontMetrics(window.font()).height() + 2);
    combo->setMaxVisibleItems(std::max(1, (rect.height() - closed.height()) / itemHeight));
    QObject::connect(combo, QOverload<int>::of(&QComboBox::activated), &window,
                     [&owner, combo](int) { NotifyParent(owner, combo, CBN_SELCHANGE); });
    widget = combo;
    kind = Kind::ComboBox;
  } else {
    auto* placeholder = new QWidget(&window);
    placeholder->setGeometry(rect);
    widget = placeholder;
  }
  widget->setProperty("mfcControl", true);
  widget->setProperty("mfcControlId", static_cast<int>(item.id));
  widget->setProperty("mfcClass", ToQString(className));
  widget->setFocusPolicy((item.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::NoFocus);
  widget->setEnabled((item.style & WS_DISABLED) == 0);
  widget->setVisible((item.style & WS_VISIBLE) != 0);
  widget->installEventFilter(&filter);
  (void)kind;
  widget->setProperty("mfcKind", static_cast<int>(kind));
  return widget;
}

// ------------------------------------------------------------ the driver

class DialogDriver final : public ModalDriver {
 public:
  DialogDriver(CDialog& dialog, ModalState& state) : m_dialog(dialog), m_state(state) {}

  UINT templateId() const override { return m_state.dialogTemplate->id; }
  std::u16string caption() const override { return FromQString(m_state.window->windowTitle()); }

  std::vector<Control> controls() const override {
    std::vector<Control> result;
    for (QWidget* widget : m_state.controls) {
      Control control;
      control.id = ControlId(widget);
      control.className = FromQString(widget->property("mfcClass").toString().toUpper());
      if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i) control.items.push_back(FromQString(combo->itemText(i)));
        control.selected = combo->currentIndex();
      }
      if (CWnd* wnd = BoundWindow(widget)) {
        CString text;
        wnd->GetWindowText(text);
        control.text = text.str();
      }
      result.push_back(std::move(control));
    }
    return result;
  }

  bool setText(int id, const std::u16string& text) override {
    QWidget* widget = find(id);
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (edit == nullptr || edit->isReadOnly()) return false;
    if (CWnd* wnd = BoundWindow(widget)) wnd->SetWindowText(text.c_str());
    settle();
    return true;
  }

  bool select(int id, const std::u16string& text) override {
    auto* combo = qobject_cast<QComboBox*>(find(id));
    if (combo == nullptr || !combo->isEnabled()) return false;
    int index = combo->findText(ToQString(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) index = combo->findText(ToQString(text), Qt::MatchFixedString);  // case-insensitive
    if (index < 0) return false;
    combo->setCurrentIndex(index);
    NotifyParent(m_dialog, combo, CBN_SELCHANGE);
    settle();
    return true;
  }

  bool press(int id) override {
    auto* button = qobject_cast<QPushButton*>(find(id));
    if (button == nullptr || !button->isEnabled()) return false;
    button->click();
    settle();
    return true;
  }

  void close() override {
    if (ended()) return;
    m_state.window->reject();
    // A dialog that refuses to close would wait for a person who is not
    // there: end it as cancelled.
    if (!ended()) m_dialog.EndDialog(IDCANCEL);
  }

  bool ended() const override { return WindowBinding::Ended(m_dialog); }
  int result() const override { return WindowBinding::Result(m_dialog); }

  bool saveImage(const std::u16string& path) const override { return SaveWidgetImage(m_state.window, path); }

 private:
  QWidget* find(int id) const {
    for (QWidget* widget : m_state.controls) {
      if (ControlId(widget) == id) return widget;
    }
    return nullptr;
  }
  static void settle() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

  CDialog& m_dialog;
  ModalState& m_state;
};

}  // namespace

void ShowForScript(QWidget* window) {
  window->show();
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 2000 && (window->windowHandle() == nullptr || !window->windowHandle()->isExposed())) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents, 10);
  }
}

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread();
}

bool SaveWidgetImage(QWidget* widget, const std::u16string& path) {
  if (widget == nullptr) return false;
  const QPixmap picture = widget->grab();
  return !picture.isNull() && picture.save(ToQString(path), "PNG");
}

}  // namespace mfc

using mfc::Kind;
using mfc::WindowBinding;

IMPLEMENT_DYNAMIC(CDialog, CWnd)

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDHelp(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

const AFX_MSGMAP* PASCAL CDialog::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {&CWnd::GetThisMessageMap, &entries[0]};
  return &map;
}
const AFX_MSGMAP* CDialog::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (CUserException* e) {
    e->Delete();
    return FALSE;
  }
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    OnOK();
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  m_ended = true;
  auto* state = static_cast<mfc::ModalState*>(m_modal);
  if (state == nullptr || state->window == nullptr) return;
  if (state->looping) {
    state->window->done(result);
  } else {
    state->window->hide();
  }
}

INT_PTR CDialog::DoModal() {
  if (!mfc::OnGuiThread() || m_hWnd != nullptr) return -1;
  const DialogTemplate* dialogTemplate = FindDialogTemplate(AfxGetResourceHandle(), m_nIDHelp);
  if (dialogTemplate == nullptr) {
    std::fprintf(stderr, "mfc: no dialog template %u under the current resource handle\n", m_nIDHelp);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }

  QWidget* parent = m_pParentWnd != nullptr ? WindowBinding::Widget(*m_pParentWnd) : nullptr;
  if (parent == nullptr) {
    if (CWnd* main = AfxGetMainWnd()) parent = WindowBinding::Widget(*main);
  }
  mfc::ModalState state;
  state.dialogTemplate = dialogTemplate;
  mfc::InputFilter filter(*this);  // outlives the window it filters
  std::unique_ptr<mfc::ModalDialog> window(new mfc::ModalDialog(*this, parent));
  state.window = window.get();
  window->setWindowTitle(mfc::ToQString(dialogTemplate->caption != nullptr ? dialogTemplate->caption : u""));
  window->setFont(mfc::DialogFont(*dialogTemplate));
  const mfc::BaseUnits units = mfc::UnitsOf(window->font());
  const QRect client = mfc::ToPixels(units, 0, 0, dialogTemplate->cx, dialogTemplate->cy);
  window->setFixedSize(client.size());

  WindowBinding::Attach(*this, window.get(), Kind::Dialog, dialogTemplate->style);
  WindowBinding::SetModal(*this, &state);
  WindowBinding::Reset(*this);
  QWidget* previous = nullptr;
  for (std::size_t i = 0; i < dialogTemplate->itemCount; ++i) {
    const DialogItemTemplate& item = dialogTemplate->items[i];
    QWidget* control = mfc::CreateControl(*this, *window, item, units, filter);
    state.controls.push_back(control);
    auto wnd = std::make_unique<CWnd>();
    WindowBinding::Attach(*wnd, control, static_cast<Kind>(control->property("mfcKind").toInt()), item.style);
    state.defaultWindows.push_back(std::move(wnd));
    if ((item.style & WS_TABSTOP) != 0) {
      if (previous != nullptr) QWidget::setTabOrder(previous, control);
      previous = control;
    }
  }

  // Whatever way DoModal is left, no CWnd stays bound to the destroyed
  // widgets and the dialog forgets its modal state.
  struct Cleanup {
    CDialog& dialog;
    mfc::ModalState& state;
    ~Cleanup() {
      for (QWidget* control : state.controls) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(mfc::HandleOf(control))) WindowBinding::Detach(*wnd);
      }
      state.defaultWindows.clear();
      WindowBinding::Detach(dialog);
      WindowBinding::SetModal(dialog, nullptr);
    }
  } cleanup{*this, state};

  bool focusFirst = true;
  mfc::Guarded(*this, [&] { focusFirst = OnInitDialog() != FALSE; });
  if (focusFirst && !m_ended) {
    for (QWidget* control : state.controls) {
      if ((control->focusPolicy() & Qt::TabFocus) && control->isEnabled() && !control->isHidden()) {
        control->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
        break;
      }
    }
  }
  if (!m_ended) {
    if (const mfc::ModalHook* installed = mfc::CurrentModalHook()) {
      // A copy: the hook may install another one while it runs.
      const mfc::ModalHook hook = *installed;
      mfc::ShowForScript(window.get());
      mfc::DialogDriver driver(*this, state);
      hook(driver);
    }
  }
  if (!m_ended) {
    state.looping = true;
    window->exec();
    state.looping = false;
    // Closed by the window system without our handlers: a cancel.
    if (!m_ended) {
      m_nModalResult = IDCANCEL;
      m_ended = true;
    }
  }
  window->hide();
  // As on Windows, the owner becomes the active window again when its modal
  // dialog closes. Without a window manager nothing else would give it the
  // focus back, and what follows the dialog (a recording of the owner, say)
  // would find no window in the foreground.
  if (parent != nullptr && parent->window()->isVisible()) parent->window()->activateWindow();
  if (state.pending) std::rethrow_exception(state.pending);
  return m_nModalResult;
}
