// A drawing database: its objects by handle, the model space and the
// viewport table.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "sdk/OdDbObject.h"
#include "sdk/OdGe.h"

class OdDbEntity;

// What an id points at. Owned by its database.
struct OdDbStub {
  OdDbDatabase* database = nullptr;
  OdDbHandle handle;
  OdDbObjectPtr object;
};

// Not thread-safe: one thread (the host's main thread) uses a database at a
// time, except that views read it while drawing on the same thread.
class ODSDK_EXPORT OdDbDatabase : public OdRxObject {
  ODRX_DECLARE_MEMBERS(OdDbDatabase);

 public:
  // A new database holds an empty model space and a viewport table, with one
  // "*Active" record that spans the window unless withActiveViewport is false.
  static OdSmartPtr<OdDbDatabase> createObject(bool withActiveViewport = true);
  ~OdDbDatabase() override;

  // Adds an unattached object: gives it the next handle, or the one asked for
  // when that is free and not null (as a file's own handles are kept).
  // Returns the null id when the object is already attached.
  OdDbObjectId addOdDbObject(OdDbObject* object, OdDbObjectId ownerId = OdDbObjectId::kNull,
                             OdDbHandle wantedHandle = OdDbHandle());
  // Adds an entity to the model space.
  OdDbObjectId addEntity(OdDbEntity* entity, OdDbHandle wantedHandle = OdDbHandle());
  OdDbObjectId getOdDbObjectId(const OdDbHandle& handle) const;

  // The model-space entities in drawing order, erased ones included.
  const std::vector<OdDbObjectId>& modelSpaceIds() const { return m_modelSpace; }
  OdDbObjectId getModelSpaceId() const { return m_modelSpaceId; }
  OdDbObjectId getViewportTableId() const { return m_viewportTableId; }
  // The active viewport record of the model space (the table's active one).
  OdDbObjectId activeViewportId() const;

  // While disabled (true), changes are not recorded for undo. Starts enabled.
  void disableUndoRecording(bool disable) { m_undoDisabled = disable; }
  bool isUndoRecordingDisabled() const { return m_undoDisabled; }
  // Counts the changes recorded for undo while recording was on (the stand-in
  // keeps no undo data, only this count).
  std::uint64_t undoRecordCount() const { return m_undoRecords; }

  // Grows with every change (objects added, erased, opened for write).
  std::uint64_t revision() const { return m_revision; }
  // Grows with the changes that alter what is drawn (entities), so that a
  // view rebuilds its picture only then, not when a viewport record changes.
  std::uint64_t drawRevision() const { return m_drawRevision; }
  void touch(bool drawable = true) {
    ++m_revision;
    if (drawable) ++m_drawRevision;
    if (!m_undoDisabled) ++m_undoRecords;
  }
  // The bounding box of the visible model-space entities (empty when none).
  OdGeExtents3d modelSpaceExtents() const;

 protected:
  OdDbDatabase();

 private:
  std::unordered_map<OdUInt64, std::unique_ptr<OdDbStub>> m_stubs;
  OdUInt64 m_nextHandle = 1;
  std::vector<OdDbObjectId> m_modelSpace;
  OdDbObjectId m_modelSpaceId;
  OdDbObjectId m_viewportTableId;
  bool m_undoDisabled = false;
  std::uint64_t m_undoRecords = 0;
  std::uint64_t m_revision = 0;
  std::uint64_t m_drawRevision = 0;
};

using OdDbDatabasePtr = OdSmartPtr<OdDbDatabase>;
