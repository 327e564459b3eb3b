// Fuzz target for the DXF reader: any bytes must give either a database or
// a message, never a crash, a hang or a leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sdk/OdDbDxfReader.h"
#include "sdk/OdDbEntity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  OdDbDatabasePtr database;
  std::string message;
  const OdResult result = odDbReadDxfText(reinterpret_cast<const char*>(data), size, database, message);
  if (result == eOk) {
    if (database.isNull()) std::abort();
    // Use what was read the way a view does.
    for (const auto& id : database->modelSpaceIds()) {
      OdDbObjectPtr object = id.openObject();
      if (auto* curve = OdDbCurve::cast(object.get())) {
        double end = 0, length = 0, param = 0;
        OdGePoint3d point;
        if (curve->getEndParam(end) == eOk && curve->getDistAtParam(end, length) == eOk) {
          curve->getParamAtDist(length * 0.5, param);
          curve->getPointAtParam(param, point);
        }
      }
    }
    database->modelSpaceExtents();
  } else if (!database.isNull() || message.empty()) {
    std::abort();
  }
  return 0;
}
