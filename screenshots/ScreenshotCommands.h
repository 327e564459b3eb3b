#pragma once

// The screenshot of the current document window, behind MAKE_SCREENSHOT and
// PC_MAKE_SCREENSHOT_QT.
void MakeScreenshot();
// The four-view screenshot of a point cloud, behind MAKE_4L_SCREENSHOT and
// PC_MAKE_4L_SCREENSHOT_QT.
void MakeFourViewScreenshot();
