// The Windows subset the module uses.
#pragma once

#include "win32/Gdi.h"
#include "win32/Kernel.h"
#include "win32/Resources.h"
#include "win32/WinTypes.h"
