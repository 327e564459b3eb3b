// The module's string table: the texts are in StringTable.cpp, their ids in
// base/StringIds.h (shared with the code below the resources, as a Windows
// resource.h is shared by the resource script and the code).
#pragma once

#include "base/StringIds.h"
