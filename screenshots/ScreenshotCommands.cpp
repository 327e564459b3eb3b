#include "screenshots/ScreenshotCommands.h"

// Not built yet: registered, do nothing.
void MakeScreenshot() {}
void MakeFourViewScreenshot() {}
