// The module's string table, registered under the module's own handle when
// the library is mapped, as Windows finds it inside the image.
#include "resources/StringTable.h"

#include <iterator>

#include "base/InitOrder.h"
#include "win32/Resources.h"

namespace {

const StringResource kStrings[] = {
    {IDS_AVI_EXTENSION, u"*.avi"},
    {IDS_AVI_FILTER, u"*.avi|*.avi||"},
    {IDS_UNTITLED_AVI, u"\\Untitled.avi"},
    {IDS_ENTIRE_PROGRAM, u"Entire programm"},
    {IDS_CURRENT_DOCUMENT, u"Current document"},
    {IDS_RECORDING_ERROR, u"Error while recording video"},
    {IDS_RECORDING_RESUMED, u"Video recording resumed"},
    {IDS_RECORDING_IN_PROGRESS, u"Video recording is in progress"},
    {IDS_RECORDING_PAUSED, u"Video recording paused"},
    {IDS_RECORDING_SUMMARY,
     u"Video recording completed successfuly.\n Video stream: %s\n Length: %.2g Mb\n Frames: %d\n Time: %s\n "
     u"Real FPS: %d"},
    {IDS_SELECT_TRAJECTORY, u"Select trajectory"},
    {IDS_TIME_HMS, u"%d:%d:%d h:m:s"},
    {IDS_SCREENSHOT_FOLDER, u"/Pictures/Screenshots/Orvanta"},
    {IDS_SCREENSHOT_FOLDER_ALT, u"/Images/Screenshots/Orvanta"},
    {IDS_FOLDER_ERROR, u"Error with folder creating. Screenshot will not be saved"},
    {IDS_SCREENSHOT_SAVED, u"Screenshot saved:"},
    {IDS_SCREENSHOT_SAVE_ERROR, u"Screenshot saving error"},
    {IDS_COMBINE_ERROR, u"Can't create combined image"},
    {IDS_FOUR_VIEW_RESOLUTION, u"1920:1080"},
    {IDS_RESOLUTION_PARSE_ERROR, u"Can't parse resolution string, check format (width:height)"},
    {IDS_NEED_NORMALS, u"Need to compute normals before"},
    {IDS_ENTER_SCREENSHOT_NAME, u"Enter screenshot name"},
};

struct StringTableRegistration {
  StringTableRegistration() : module(ModuleFromAddress(kStrings)) {
    RegisterModuleStrings(module, kStrings, std::size(kStrings));
  }
  ~StringTableRegistration() { UnregisterModuleStrings(module); }
  HMODULE module;
};

StringTableRegistration g_stringTable PCVR_INIT_PRIORITY(PCVR_INIT_RESOURCES);

}  // namespace
