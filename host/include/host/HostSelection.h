// The host's selection: selection sets, the tracker a module hands to a pick
// to say what may be picked, and a document's selection input (document
// operation 4). Main thread only.
#pragma once

#include <functional>
#include <vector>

#include "host/HostApi.h"
#include "sdk/OdDbObject.h"

class hostSelectionSet;
using hostSelectionSetPtr = OdSmartPtr<hostSelectionSet>;

// A set of picked objects of one database, in the order they were picked;
// an object is held once.
class HOST_EXPORT hostSelectionSet : public OdRxObject {
  ODRX_DECLARE_MEMBERS(hostSelectionSet);

 public:
  // A new empty set bound to database (which may be null: nothing can be
  // added then).
  static hostSelectionSetPtr createObject(OdDbDatabase* database);

  OdDbDatabase* database() const { return m_database; }
  std::size_t numEntities() const { return m_ids.size(); }
  const std::vector<OdDbObjectId>& objectIdArray() const { return m_ids; }
  bool isMember(const OdDbObjectId& id) const;
  // Adds id when it belongs to the set's database and is not held yet.
  bool append(const OdDbObjectId& id);
  bool remove(const OdDbObjectId& id);
  // Empties the set. Called by a command once it has taken what it needs of
  // a pick, so the objects are no longer held as selected.
  void clear() { m_ids.clear(); }

 protected:
  hostSelectionSet() = default;

 private:
  OdDbDatabase* m_database = nullptr;
  std::vector<OdDbObjectId> m_ids;
};

// What a module tells a pick. The host asks the filter about every
// candidate before it adds it to the set; a candidate the filter refuses is
// not picked. The other operations are notifications that return true to
// let the pick go on.
class HOST_EXPORT HostEdSSetTracker {
 public:
  virtual ~HostEdSSetTracker() = default;
  // Slot 1: the pick starts.
  virtual bool onStart() { return true; }
  // Slot 2: may the object with this id be picked?
  virtual bool isSelectable(const OdDbObjectId& id) = 0;
  // Slot 3: an object was added to the set.
  virtual bool onAdded(const OdDbObjectId&) { return true; }
  // Slot 4: the pick ends (also when cancelled).
  virtual bool onEnd() { return true; }
  // Slot 5: the host is done with an object it opened for the tracker:
  // release it and leave the reference empty.
  virtual void releaseObject(OdDbObjectPtr& object) { object.release(); }
};

// Options of HostSelectionInput::select, as a bit set.
enum HostSelectOptions {
  // The set is emptied before the pick, so it holds only what is picked now.
  kHostSelectReplace = 0x1000,
  // Objects the set already holds are offered to the filter again; those it
  // refuses are dropped.
  kHostSelectFilterHeld = 0x2000,
};

class HOST_EXPORT HostSelectionInput {
 public:
  // Operation 0: the document's current selection set (what was selected
  // before the command started); never null while the document has a
  // database.
  virtual hostSelectionSetPtr currentSelectionSet() = 0;
  // Operation 1: makes set the current selection set (null: a new empty one).
  virtual void replaceCurrentSelectionSet(hostSelectionSet* set) = 0;
  // Operation 2: lets the user pick objects into set, showing prompt. A null
  // set is replaced by a new one. Arguments marked reserved are 0. options
  // is a HostSelectOptions bit set. tracker (may be null: anything may be
  // picked) is asked about every candidate. Returns a HostPromptStatus:
  // kHostPromptOk when the pick ended normally (the set may be empty),
  // kHostPromptCancel (-2) when the user cancelled (the set is left as it
  // was before the pick), kHostPromptNoInput when no input can come.
  virtual int select(hostSelectionSetPtr& set, int reserved1, const OdChar* prompt, int reserved2, int options,
                     int reserved3, int reserved4, int reserved5, HostEdSSetTracker* tracker) = 0;

 protected:
  ~HostSelectionInput() = default;
};

namespace host {

class Document;

// The kinds a script names in "kind KIND" answers (LINE, ARC, CIRCLE,
// LWPOLYLINE, POLYLINE, POLYLINE3D, SPLINE, POINTCLOUD), and the kind of an
// object ("" when it has none of these).
HOST_EXPORT const char* EntityKindName(const OdDbObject* object);

// The selection input of the host's documents. A pick reads one answer from
// the console (the script's next line, or the command line while a person
// clicks entities in the view window):
//   handle H [H ...]  picks the objects with those handles;
//   kind K [all]      picks the first model-space entity of kind K that the
//                     filter accepts, or with "all" every one;
//   (empty line)      ends the pick with what was clicked;
//   ^C / Esc          cancels.
class HOST_EXPORT DocumentSelectionInput final : public HostSelectionInput {
 public:
  explicit DocumentSelectionInput(Document& document) : m_document(document) {}

  hostSelectionSetPtr currentSelectionSet() override;
  void replaceCurrentSelectionSet(hostSelectionSet* set) override;
  int select(hostSelectionSetPtr& set, int reserved1, const OdChar* prompt, int reserved2, int options, int reserved3,
             int reserved4, int reserved5, HostEdSSetTracker* tracker) override;

  // Offers id to tracker and, when accepted, adds it to set. Returns whether
  // it was added. The pick and the view clicks go through here.
  static bool Offer(hostSelectionSet& set, const OdDbObjectId& id, HostEdSSetTracker* tracker);

 private:
  Document& m_document;
  hostSelectionSetPtr m_current;
};

// Gives document a selection input, kept until RemoveSelectionInput (the
// document is closing).
HOST_EXPORT void InstallSelectionInput(Document& document);
HOST_EXPORT void RemoveSelectionInput(const Document& document);

// The model-space entity whose drawing passes nearest to the view pixel
// (x, y) of the document's view window, within tolerance pixels, among
// those accept takes; null when there is none.
HOST_EXPORT OdDbObjectId PickEntityAt(Document& document, int x, int y, double tolerance,
                                      const std::function<bool(const OdDbObjectId&)>& accept);

}  // namespace host
