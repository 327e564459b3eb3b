// CFileDialog as a save dialog on QFileDialog.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>

#include "Internal.h"
#include "afxdlgs.h"
#include "mfc/ModalDriver.h"
#include "mfc/QtBridge.h"

namespace {

// The file-name field's id in the Windows save dialog, which scripts use.
constexpr int kFileNameControl = 1148;

// "text|pattern|text|pattern||" as Qt name filters "text (pattern)".
QStringList NameFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return result;
}

QString Suffix(const QString& defaultExtension) {
  QString suffix = defaultExtension;
  if (suffix.startsWith(QLatin1String("*."))) suffix.remove(0, 2);
  if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
  return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
}

// A name made absolute against folder and given the default extension when it
// has none.
QString Resolve(const QString& folder, const QString& name, const QString& suffix) {
  QString path = QDir::isAbsolutePath(name) ? name : QDir(folder).filePath(name);
  if (!suffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
  return QDir::cleanPath(path);
}

class FileDialogDriver final : public mfc::ModalDriver {
 public:
  FileDialogDriver(QFileDialog& dialog, const QString& suffix) : m_dialog(dialog), m_suffix(suffix) {}

  UINT templateId() const override { return 0; }
  std::u16string caption() const override { return mfc::FromQString(m_dialog.windowTitle()); }
  std::vector<Control> controls() const override {
    Control name;
    name.id = kFileNameControl;
    name.className = u"EDIT";
    name.text = mfc::FromQString(fileNameText());
    return {name};
  }
  // The scripted name is kept as given: QFileDialog completes typed text
  // against the folder's listing and rewrites the field from its selection
  // (an existing file comes back as a bare or doubly quoted name), so the
  // field is shown the text without telling the dialog.
  bool setText(int id, const std::u16string& text) override {
    if (id != kFileNameControl) return false;
    m_name = mfc::ToQString(text);
    m_scripted = true;
    if (auto* edit = m_dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      const QSignalBlocker quiet(edit);
      edit->setText(m_name);
    }
    return true;
  }
  bool select(int, const std::u16string&) override { return false; }
  bool press(int id) override {
    if (id == IDOK) {
      // A script's relative name is taken from the current folder, as every
      // command-line path is; the shown name is in the dialog's folder. An
      // existing file is replaced, as a script answers Yes to every question.
      const QString name = m_scripted ? m_name : fileNameText();
      if (name.isEmpty()) return true;  // as in Windows, OK with no name does nothing
      m_chosen = Resolve(m_scripted ? QDir::currentPath() : m_dialog.directory().absolutePath(), name, m_suffix);
      m_result = IDOK;
      return true;
    }
    if (id == IDCANCEL) {
      m_result = IDCANCEL;
      return true;
    }
    return false;
  }
  void close() override {
    if (m_result == 0) m_result = IDCANCEL;
  }
  bool ended() const override { return m_result != 0; }
  bool saveImage(const std::u16string& path) const override { return mfc::SaveWidgetImage(&m_dialog, path); }

  int result() const override { return m_result; }
  const QString& chosen() const { return m_chosen; }

 private:
  QString fileNameText() const {
    if (auto* edit = m_dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) return edit->text();
    return m_name;
  }

  QFileDialog& m_dialog;
  QString m_suffix;
  QString m_name;
  bool m_scripted = false;
  QString m_chosen;
  int m_result = 0;
};

}  // namespace

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent, DWORD /*size*/, BOOL /*vistaStyle*/)
    : CDialog(0, parent),
      m_openFileDialog(openFileDialog),
      m_defaultExtension(defaultExtension),
      m_fileName(fileName),
      m_flags(flags),
      m_filter(filter),
      m_parent(parent) {}

CFileDialog::~CFileDialog() = default;

CString CFileDialog::GetPathName() const { return m_chosen; }

CString CFileDialog::GetFileName() const {
  return CString(mfc::FromQString(QFileInfo(mfc::ToQString(m_chosen.str())).fileName()));
}

INT_PTR CFileDialog::DoModal() {
  if (!mfc::OnGuiThread()) return -1;
  if (m_openFileDialog) return IDCANCEL;
  QWidget* parent = m_parent != nullptr ? mfc::WidgetOf(m_parent) : nullptr;
  if (parent == nullptr) {
    if (CWnd* main = AfxGetMainWnd()) parent = mfc::WidgetOf(main);
  }
  QFileDialog dialog(parent);
  // Qt's own dialog rather than the desktop's, so a script can drive it and
  // it renders under a bare X server.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, (m_flags & OFN_OVERWRITEPROMPT) == 0);
  const QStringList filters = NameFilters(mfc::ToQString(m_filter.str()));
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  const QString suffix = Suffix(mfc::ToQString(m_defaultExtension.str()));
  if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
  QString initial = mfc::ToQString(m_fileName.str());
  // The module joins its default name with a Windows separator.
  initial.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (!initial.isEmpty()) {
    const QFileInfo info(initial);
    if (info.dir().exists()) dialog.setDirectory(info.dir());
    dialog.selectFile(info.fileName());
  }

  if (const mfc::ModalHook* installed = mfc::CurrentModalHook()) {
    // A copy: the hook may install another one while it runs.
    const mfc::ModalHook hook = *installed;
    mfc::ShowForScript(&dialog);
    FileDialogDriver driver(dialog, suffix);
    hook(driver);
    dialog.hide();
    if (driver.ended()) {
      if (driver.result() == IDOK) m_chosen = CString(mfc::FromQString(driver.chosen()));
      return driver.result();
    }
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  m_chosen = CString(mfc::FromQString(QDir::cleanPath(dialog.selectedFiles().first())));
  return IDOK;
}
