#include "dialogs/DlgVideoRecodingParams.h"

#include "afxdlgs.h"
#include "base/HostAccess.h"
#include "dialogs/WideNumbers.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

DWORD CDlgVideoRecodingParams::s_codecAnswer = 0;

IMPLEMENT_DYNAMIC(CDlgVideoRecodingParams, CDialog)

BEGIN_MESSAGE_MAP(CDlgVideoRecodingParams, CDialog)
ON_CBN_SELCHANGE(IDC_COMBO_CODEC, OnCbnSelchangeCodec)
ON_CBN_SELCHANGE(IDC_COMBO_WINDOW, OnCbnSelchangeWindow)
ON_BN_CLICKED(IDOK, OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
ON_BN_CLICKED(IDC_BUTTON_BROWSE, OnBnClickedBrowse)
END_MESSAGE_MAP()

CDlgVideoRecodingParams::CDlgVideoRecodingParams(const std::vector<CaptureTarget>* targets, CWnd* parent)
    : CDialog(IDD_VIDEO_RECORDING_PARAMS, parent), m_targets(targets) {}

CDlgVideoRecodingParams::~CDlgVideoRecodingParams() = default;

void CDlgVideoRecodingParams::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_EDIT_PATH, m_editPath);
  DDX_Control(dx, IDC_COMBO_CODEC, m_comboCodec);
  DDX_Control(dx, IDC_COMBO_FPS, m_comboFps);
  DDX_Control(dx, IDC_COMBO_WINDOW, m_comboWindow);
  DDX_Control(dx, IDC_EDIT_START_DELAY, m_editStartDelay);
}

BOOL CDlgVideoRecodingParams::OnInitDialog() {
  CDialog::OnInitDialog();
  m_path = DefaultVideoFilePath().str();
  m_editPath.SetWindowText(m_path.c_str());

  if (m_targets != nullptr) {
    for (const CaptureTarget& target : *m_targets) {
      WindowChoice choice;
      choice.target = target;
      EnumerateCodecs(choice.codecs, s_codecAnswer);
      const std::u16string name = target.name.str();
      m_choices.insert_or_assign(name, std::move(choice));
      m_comboWindow.AddString(name.c_str());
    }
  }
  FillFrameRateChoices(m_frameRates);

  m_editStartDelay.SetWindowText(FormatInt(3).c_str());
  m_editStartDelay.m_decimalPlaces = 0;
  m_editStartDelay.m_allowNegative = false;

  m_comboWindow.SetCurSel(m_choices.size() > 1 ? 1 : 0);
  FillCodecCombo();
  return TRUE;
}

WindowChoice* CDlgVideoRecodingParams::ChoiceNamedInWindowCombo() {
  CString name;
  m_comboWindow.GetWindowText(name);
  const auto found = m_choices.find(name.str());
  return found != m_choices.end() ? &found->second : &m_choices.begin()->second;
}

void CDlgVideoRecodingParams::FillCodecCombo() {
  m_comboCodec.ResetContent();
  if (m_choices.empty()) return;
  m_current = ChoiceNamedInWindowCombo();
  int added = 0;
  for (const CodecEntry& entry : m_current->codecs.entries) {
    m_comboCodec.AddString(CodecDescription(entry.info).c_str());
    ++added;
  }
  if (added == 0) return;
  m_comboCodec.SetCurSel(0);
  CString description;
  m_comboCodec.GetWindowText(description);
  FillFrameRateCombo(m_comboFps, FindCodecByDescription(m_current->codecs, description), m_frameRates);
}

void CDlgVideoRecodingParams::OnCbnSelchangeWindow() {
  if (m_choices.empty()) return;
  m_current = ChoiceNamedInWindowCombo();
  FillCodecCombo();
}

void CDlgVideoRecodingParams::OnCbnSelchangeCodec() {
  if (m_current == nullptr || m_current->codecs.entries.empty()) return;
  CString description;
  m_comboCodec.GetWindowText(description);
  FillFrameRateCombo(m_comboFps, FindCodecByDescription(m_current->codecs, description), m_frameRates);
}

void CDlgVideoRecodingParams::OnBnClickedBrowse() {
  const OdString extension = LoadModuleString(IDS_AVI_EXTENSION);
  const OdString filter = LoadModuleString(IDS_AVI_FILTER);
  CFileDialog dialog(FALSE, extension.c_str(), m_path.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(),
                     this, 0, TRUE);
  if (dialog.DoModal() != IDOK) return;
  m_path = dialog.GetPathName().str();
  m_editPath.SetWindowText(m_path.c_str());
}

void CDlgVideoRecodingParams::OnBnClickedOk() {
  m_params.filePath = OdString(m_path);
  if (m_current != nullptr) {
    m_params.window = m_current->target.window;
    m_params.frameFormat = m_current->target.frameFormat;
    if (!m_current->codecs.entries.empty()) {
      CString description;
      m_comboCodec.GetWindowText(description);
      const CodecEntry codec = FindCodecByDescription(m_current->codecs, description);
      m_params.codecInfo = codec.info;
      CString delay;
      m_editStartDelay.GetWindowText(delay);
      m_params.startDelay = WideToInt(delay.str());
      m_params.quality = static_cast<int>(codec.defaultQuality);
      CString fps;
      m_comboFps.GetWindowText(fps);
      m_params.fps = WideToInt(fps.str());
    }
  }
  OnOK();
}

void CDlgVideoRecodingParams::OnBnClickedCancel() { OnCancel(); }
