#include "screenshots/SingleViewport.h"

#include "base/HostAccess.h"
#include "host/XPC.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbViewportTable.h"

namespace {

OdDbViewportTablePtr OpenViewportTable(OdDbDatabase& database, OdDb::OpenMode mode) {
  return odCastOrThrow<OdDbViewportTable>(database.getViewportTableId().openObject(mode));
}

// The host keeps what a viewport shows of each point cloud (point size,
// colouring) by the viewport record's handle. A record that replaces another
// gets a handle of its own, so the clouds' settings of the old record are
// carried over to it, as its view settings are.
void CarryCloudSettings(OdDbDatabase& database, const OdDbHandle& from, const OdDbHandle& to) {
  for (const OdDbObjectId& id : database.modelSpaceIds()) {
    hostDbPointCloudInsertionPtr cloud = hostDbPointCloudInsertion::cast(id.openObject(OdDb::kForWrite).get());
    if (cloud.isNull()) continue;
    XPC::VisualizationParamsWrapperPtr params = cloud->createVisualizationParamsSetFrom(from);
    cloud->setVisualizationParamsSetToViewport(params.get(), to);
  }
}

}  // namespace

void SetSingleViewport() {
  const OdGePoint2d corners[2] = {OdGePoint2d(0.0, 0.0), OdGePoint2d(1.0, 1.0)};

  HostDocument* document = HostCurrentDocument();
  if (document == nullptr) return;
  OdDbDatabasePtr database(document->database());
  if (database.isNull()) return;

  OdDbViewportTablePtr table = OpenViewportTable(*database, OdDb::kForRead);
  if (table.isNull()) return;
  OdDbViewportTableRecordPtr active =
      odCastOrThrow<OdDbViewportTableRecord>(table->getActiveViewportId().openObject(OdDb::kForRead));
  if (active.isNull()) return;
  const OdDbHandle previous = active->objectId().getHandle();
  table.release();
  // The settings are taken before the records are erased: an erased record
  // cannot be opened any more.
  OdDbViewportTableRecordPtr settings = OdDbViewportTableRecord::createObject();
  settings->copyFrom(active.get());

  table = OpenViewportTable(*database, OdDb::kForWrite);
  if (table.isNull()) return;
  OdDbSymbolTableRecordPtr tile = table->getAt(OdString(viewportActiveNameStr), OdDb::kForWrite, false);
  // A drawing without an active configuration is left as it is.
  if (tile.isNull()) return;
  while (!tile.isNull()) {
    tile->erase(true);
    tile = table->getAt(OdString(viewportActiveNameStr), OdDb::kForWrite, false);
  }

  OdDbViewportTableRecordPtr single = OdDbViewportTableRecord::createObject();
  single->copyFrom(settings.get());
  single->setLowerLeftCorner(corners[0]);
  single->setUpperRightCorner(corners[1]);
  database->disableUndoRecording(false);
  table->add(single.get());
  database->disableUndoRecording(true);
  CarryCloudSettings(*database, previous, single->objectId().getHandle());
}
