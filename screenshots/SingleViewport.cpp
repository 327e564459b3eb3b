#include "screenshots/SingleViewport.h"

#include "module/HostAccess.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbViewportTable.h"

namespace {

OdDbViewportTablePtr OpenViewportTable(OdDbDatabase& database, OdDb::OpenMode mode) {
  return odCastOrThrow<OdDbViewportTable>(database.getViewportTableId().openObject(mode));
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
}
