// Host commands on the drawing's objects (Edit menu), through the selection
// and isolation services modules use too:
//   SELECT          picks objects and makes them the current selection;
//   HIDE / UNHIDE   hides picked objects by isolation / shows them all again.
#include <functional>
#include <string>
#include <utility>

#include "host/CommandRegistry.h"
#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "host/Isolation.h"
#include "sdk/OdDbDatabase.h"
#include "sdk/OdDbEntity.h"
#include "win32/Text.h"

namespace host {

namespace {

void Add(const char16_t* name, std::function<void()> body, const char16_t* label) {
  CommandRegistry::instance().addHostCommand(name, std::move(body), u"Edit", label);
}

std::u16string U16(const std::string& text) { return win32::FromUtf8(text); }

Console& Out() { return Application::instance().console(); }

// Model-space entities may be picked; tables and records may not.
class EntityTracker final : public HostEdSSetTracker {
 public:
  bool isSelectable(const OdDbObjectId& id) override {
    return OdDbEntity::cast(id.openObject(OdDb::kForRead).get()) != nullptr;
  }
};

// Picks entities of the current document with the prompt; null when there
// is no document (after saying so) or the pick was cancelled.
hostSelectionSetPtr PickEntities(const char16_t* prompt) {
  Document* document = Application::instance().document();
  HostSelectionInput* input = document != nullptr ? document->selectionInput() : nullptr;
  if (input == nullptr || document->database() == nullptr) {
    Out().write(u"No drawing is open.");
    return {};
  }
  hostSelectionSetPtr set = hostSelectionSet::createObject(document->database());
  EntityTracker tracker;
  if (input->select(set, 0, prompt, 0, kHostSelectReplace, 0, 0, 0, &tracker) != kHostPromptOk) return {};
  return set;
}

std::u16string Handles(const hostSelectionSet& set) {
  std::u16string text;
  for (const OdDbObjectId& id : set.objectIdArray()) text += u" " + id.getHandle().ascii().str();
  return text;
}

struct EditCommands {
  EditCommands() {
    Add(
        u"SELECT",
        [] {
          hostSelectionSetPtr set = PickEntities(u"Select objects");
          if (set.get() == nullptr) return;
          Application::instance().document()->selectionInput()->replaceCurrentSelectionSet(set.get());
          Out().write(U16(std::to_string(set->numEntities())) + u" selected:" + Handles(*set));
        },
        u"Select objects…");

    Add(
        u"HIDE",
        [] {
          hostSelectionSetPtr set = PickEntities(u"Select objects to hide");
          if (set.get() == nullptr) return;
          int hidden = 0;
          for (const OdDbObjectId& id : set->objectIdArray()) {
            auto* entity = OdDbEntity::cast(id.openObject(OdDb::kForRead).get());
            if (entity != nullptr && setEntityInvisibleByIsolation(entity, nullptr)) ++hidden;
          }
          Out().write(U16(std::to_string(hidden)) + u" hidden.");
        },
        u"Hide objects…");

    Add(
        u"UNHIDE",
        [] {
          Document* document = Application::instance().document();
          if (document == nullptr || document->database() == nullptr) {
            Out().write(u"No drawing is open.");
            return;
          }
          int shown = 0;
          for (const OdDbObjectId& id : document->database()->modelSpaceIds()) {
            if (!isEntityHiddenByIsolation(id)) continue;
            auto* entity = OdDbEntity::cast(id.openObject(OdDb::kForRead).get());
            if (entity != nullptr && setEntityVisibleByIsolation(entity, nullptr)) ++shown;
          }
          Out().write(U16(std::to_string(shown)) + u" shown again.");
        },
        u"Show hidden objects");
  }
} g_editCommands;

}  // namespace

}  // namespace host
