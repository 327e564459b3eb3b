#include "dialogs/DlgVideoFromTrackParams.h"

#include "afxdlgs.h"
#include "base/HostAccess.h"
#include "dialogs/WideNumbers.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

DWORD CDlgVideoFromTrackParams::s_codecAnswer = 0;

IMPLEMENT_DYNAMIC(CDlgVideoFromTrackParams, CDialog)

BEGIN_MESSAGE_MAP(CDlgVideoFromTrackParams, CDialog)
ON_CBN_SELCHANGE(IDC_COMBO_CODEC, OnCbnSelchangeCodec)
ON_BN_CLICKED(IDOK, OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
ON_BN_CLICKED(IDC_BUTTON_BROWSE, OnBnClickedBrowse)
END_MESSAGE_MAP()

CDlgVideoFromTrackParams::CDlgVideoFromTrackParams(const CaptureTarget& target, CWnd* parent)
    : CDialog(IDD_VIDEO_FROM_TRACK_PARAMS, parent), m_target(target) {}

CDlgVideoFromTrackParams::~CDlgVideoFromTrackParams() = default;

void CDlgVideoFromTrackParams::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_EDIT_PATH, m_editPath);
  DDX_Control(dx, IDC_COMBO_CODEC, m_comboCodec);
  DDX_Control(dx, IDC_COMBO_FPS, m_comboFps);
  DDX_Control(dx, IDC_EDIT_STEP_SPEED, m_editStepSpeed);
}

BOOL CDlgVideoFromTrackParams::OnInitDialog() {
  CDialog::OnInitDialog();
  m_path = DefaultVideoFilePath().str();
  m_editPath.SetWindowText(m_path.c_str());
  EnumerateCodecs(m_codecs, s_codecAnswer);
  FillFrameRateChoices(m_frameRates);
  for (const CodecEntry& entry : m_codecs.entries) m_comboCodec.AddString(CodecDescription(entry.info).c_str());
  m_comboCodec.SetCurSel(0);
  OnCbnSelchangeCodec();
  m_editStepSpeed.SetWindowText(FormatFixed1(m_stepSpeed).c_str());
  return TRUE;
}

void CDlgVideoFromTrackParams::OnCbnSelchangeCodec() {
  if (m_codecs.entries.empty()) {
    m_comboFps.ResetContent();
    return;
  }
  CString description;
  m_comboCodec.GetWindowText(description);
  FillFrameRateCombo(m_comboFps, FindCodecByDescription(m_codecs, description), m_frameRates);
}

void CDlgVideoFromTrackParams::OnBnClickedBrowse() {
  const OdString extension = LoadModuleString(IDS_AVI_EXTENSION);
  const OdString filter = LoadModuleString(IDS_AVI_FILTER);
  CFileDialog dialog(FALSE, extension.c_str(), m_path.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(),
                     this, 0, TRUE);
  if (dialog.DoModal() != IDOK) return;
  m_path = dialog.GetPathName().str();
  m_editPath.SetWindowText(m_path.c_str());
}

void CDlgVideoFromTrackParams::OnBnClickedOk() {
  m_params.filePath = OdString(m_path);
  m_params.window = m_target.window;
  m_params.frameFormat = m_target.frameFormat;
  if (!m_codecs.entries.empty()) {
    CString description;
    m_comboCodec.GetWindowText(description);
    const CodecEntry codec = FindCodecByDescription(m_codecs, description);
    m_params.codecInfo = codec.info;
    m_params.startDelay = 0;
    m_params.quality = static_cast<int>(codec.defaultQuality);
    CString fps;
    m_comboFps.GetWindowText(fps);
    m_params.fps = WideToInt(fps.str());
  }
  CString speed;
  m_editStepSpeed.GetWindowText(speed);
  m_stepSpeed = WideToDouble(speed.str());
  OnOK();
}

void CDlgVideoFromTrackParams::OnBnClickedCancel() { OnCancel(); }
