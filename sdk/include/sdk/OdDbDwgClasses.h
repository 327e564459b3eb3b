// The classes registered for the object types of the DWG format, indexed by
// the type number the published format gives (15 2D polyline, 16 3D
// polyline, 17 arc, 18 circle, 19 line, 36 spline, 60 viewport table, 65
// viewport record, 77 lightweight polyline). Types without a class here hold
// null.
#pragma once

#include "sdk/OdRxObject.h"

constexpr int kOdDbDwgClassCount = 512;
extern ODSDK_EXPORT const OdRxClass* g_odDbRegistredDwgClasses[kOdDbDwgClassCount];
