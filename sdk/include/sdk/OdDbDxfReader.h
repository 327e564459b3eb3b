// Reading drawings from DXF files (ASCII DXF, any release). The model-space
// lines, arcs, circles, lightweight polylines, 2D and 3D polylines and
// splines are read, with their handles and colours, and the viewport
// table's records; everything else in the file is passed over.
#pragma once

#include <cstddef>
#include <string>

#include "sdk/OdDbDatabase.h"

// Reads the file at path (UTF-8). On success returns eOk and a new database
// in database. Otherwise database stays null, nothing is kept, and message
// says in one line what is wrong with the file (for example
// "line 120: the value of group code 10 is not a number"). Never throws for
// bad input; a malformed or truncated file fails as a whole.
ODSDK_EXPORT OdResult odDbReadDxf(const std::string& path, OdDbDatabasePtr& database, std::string& message);
// The same for DXF text already in memory.
ODSDK_EXPORT OdResult odDbReadDxfText(const char* data, std::size_t size, OdDbDatabasePtr& database,
                                      std::string& message);
