// The module's dialog templates, registered under the module's own handle
// when the library is mapped, as Windows finds them inside the image.
// Positions and sizes are dialog units of the "MS Shell Dlg" 8-point font.
#include "resources/DialogTemplates.h"

#include <iterator>

#include "afxwin.h"
#include "base/InitOrder.h"
#include "mfc/DialogTemplate.h"
#include "win32/Resources.h"

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
// The output path is chosen with the "..." button only; the box shows where
// the file goes and takes no typing.
constexpr DWORD kPathBox = kEdit | ES_READONLY;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kSortedList = kList | CBS_SORT;

const DialogItemTemplate kRecordingItems[] = {
    {IDC_STATIC_FILE_PATH, u"STATIC", u"File path:", kLabel, 8, 7, 50, 8},
    {IDC_EDIT_PATH, u"EDIT", u"", kPathBox, 7, 17, 158, 14},
    {IDC_BUTTON_BROWSE, u"BUTTON", u"...", kButton, 169, 17, 18, 14},
    {IDC_STATIC_WINDOW, u"STATIC", u"Window:", kLabel, 8, 35, 154, 8},
    {IDC_COMBO_WINDOW, u"COMBOBOX", u"", kList, 7, 46, 158, 112},
    {IDC_STATIC_CODEC, u"STATIC", u"Codec:", kLabel, 8, 64, 154, 8},
    {IDC_COMBO_CODEC, u"COMBOBOX", u"", kSortedList, 7, 75, 158, 112},
    {IDC_STATIC_FPS, u"STATIC", u"FPS:", kLabel, 8, 93, 154, 8},
    {IDC_COMBO_FPS, u"COMBOBOX", u"", kList, 7, 104, 158, 112},
    {IDC_STATIC_START_DELAY, u"STATIC", u"Start delay:", kLabel, 8, 122, 50, 8},
    {IDC_EDIT_START_DELAY, u"EDIT", u"", kEdit, 7, 133, 60, 14},
    {IDOK, u"BUTTON", u"&OK", kDefaultButton, 81, 160, 50, 14},
    {IDCANCEL, u"BUTTON", u"&Cancel", kButton, 137, 160, 50, 14},
};

const DialogItemTemplate kFromTrackItems[] = {
    {IDC_STATIC_FILE_PATH, u"STATIC", u"File path:", kLabel, 8, 7, 50, 8},
    {IDC_EDIT_PATH, u"EDIT", u"", kPathBox, 7, 17, 158, 14},
    {IDC_BUTTON_BROWSE, u"BUTTON", u"...", kButton, 169, 17, 18, 14},
    {IDC_STATIC_CODEC, u"STATIC", u"Codec:", kLabel, 8, 35, 154, 8},
    {IDC_COMBO_CODEC, u"COMBOBOX", u"", kSortedList, 7, 46, 158, 112},
    {IDC_STATIC_FPS, u"STATIC", u"FPS:", kLabel, 8, 64, 154, 8},
    {IDC_COMBO_FPS, u"COMBOBOX", u"", kList, 7, 75, 158, 112},
    {IDC_STATIC_START_DELAY, u"STATIC", u"Step speed:", kLabel, 8, 93, 50, 8},
    {IDC_EDIT_STEP_SPEED, u"EDIT", u"", kEdit, 7, 104, 60, 14},
    {IDOK, u"BUTTON", u"&OK", kDefaultButton, 81, 160, 50, 14},
    {IDCANCEL, u"BUTTON", u"&Cancel", kButton, 137, 160, 50, 14},
};

const DialogTemplate kTemplates[] = {
    {IDD_VIDEO_RECORDING_PARAMS, kDialogStyle, 197, 182, u"Video recording options", u"MS Shell Dlg", 8,
     kRecordingItems, std::size(kRecordingItems)},
    {IDD_VIDEO_FROM_TRACK_PARAMS, kDialogStyle, 197, 182, u"Video recording options", u"MS Shell Dlg", 8,
     kFromTrackItems, std::size(kFromTrackItems)},
};

struct DialogTemplateRegistration {
  DialogTemplateRegistration() : module(ModuleFromAddress(kTemplates)) {
    RegisterDialogTemplates(module, kTemplates, std::size(kTemplates));
  }
  ~DialogTemplateRegistration() { UnregisterDialogTemplates(module); }
  HMODULE module;
};

DialogTemplateRegistration g_dialogTemplates PCVR_INIT_PRIORITY(PCVR_INIT_RESOURCES);

}  // namespace
