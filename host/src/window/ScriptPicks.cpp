// A pick's answers at the console: "handle H ...", "kind KIND [all]", an
// empty line, or a cancel; clicks in the view window join in meanwhile.
#include <QObject>
#include <memory>
#include <sstream>

#include "ViewClicks.h"
#include "host/DrawingDocument.h"
#include "host/HostSelection.h"
#include "host/HostSession.h"
#include "win32/Text.h"

namespace host {

namespace {

std::u16string U16(const std::string& text) { return win32::FromUtf8(text); }

std::string Upper(const std::string& text) { return win32::ToUpperAscii(text); }

}  // namespace

int DocumentSelectionInput::select(hostSelectionSetPtr& set, int, const OdChar* prompt, int, int options, int, int, int,
                                   HostEdSSetTracker* tracker) {
  OdDbDatabase* database = m_document.database();
  Console& console = Application::instance().console();
  if (set.isNull()) set = hostSelectionSet::createObject(database);
  const std::vector<OdDbObjectId> before = set->objectIdArray();
  const auto restore = [&] {
    set->clear();
    for (const auto& id : before) set->append(id);
  };
  if (tracker != nullptr) tracker->onStart();
  if ((options & kHostSelectReplace) != 0) set->clear();
  if ((options & kHostSelectFilterHeld) != 0 && tracker != nullptr) {
    const std::vector<OdDbObjectId> held = set->objectIdArray();
    set->clear();
    for (const auto& id : held) Offer(*set, id, tracker);
  }

  // Clicks in the view are offered to the pick until it ends.
  std::unique_ptr<QObject> clicks = WatchViewClicks(m_document, *set, tracker);
  const std::u16string shown = prompt != nullptr ? std::u16string(prompt) : std::u16string(u"Select objects");
  int status = kHostPromptOk;
  for (;;) {
    std::u16string answer;
    status = console.readLine(shown, u"", answer);
    if (status != kHostPromptOk) break;
    std::istringstream words(win32::ToUtf8(answer));
    std::string verb;
    if (!(words >> verb)) break;  // an empty answer ends the pick
    verb = Upper(verb);
    if (verb == "HANDLE") {
      std::string text;
      int found = 0, refused = 0, missing = 0;
      while (words >> text) {
        OdDbHandle handle;
        OdDbObjectId id;
        if (database != nullptr && handle.fromAscii(text)) id = database->getOdDbObjectId(handle);
        if (id.isNull() || id.openObject(OdDb::kForRead).isNull()) {
          ++missing;
          console.write(u"No object with handle " + U16(text) + u".");
          continue;
        }
        if (set->isMember(id)) continue;
        if (Offer(*set, id, tracker)) ++found;
        else ++refused;
      }
      console.write(U16(std::to_string(found)) + u" found" +
                    (refused != 0 ? u", " + U16(std::to_string(refused)) + u" cannot be picked here" : u"") + u".");
      break;
    }
    if (verb == "KIND") {
      std::string kind, all;
      words >> kind >> all;
      kind = Upper(kind);
      const bool every = Upper(all) == "ALL";
      int found = 0;
      if (database != nullptr) {
        for (const OdDbObjectId& id : database->modelSpaceIds()) {
          OdDbObjectPtr object = id.openObject(OdDb::kForRead);
          if (object.isNull() || kind != EntityKindName(object.get())) continue;
          object.release();
          if (set->isMember(id)) continue;
          if (Offer(*set, id, tracker)) {
            ++found;
            if (!every) break;
          }
        }
      }
      console.write(U16(std::to_string(found)) + u" found.");
      break;
    }
    console.write(u"Answer with \"handle H ...\", \"kind KIND [all]\", click objects, an empty line to end, or ^C.");
  }
  clicks.reset();
  if (status != kHostPromptOk) restore();
  if (tracker != nullptr) tracker->onEnd();
  return status;
}

}  // namespace host
