// Moved to the module base; kept for the recorder's sources that still
// include it from here.
#pragma once

#include "base/HostAccess.h"
