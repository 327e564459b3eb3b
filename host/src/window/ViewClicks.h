// Picking by clicks in the view window: what passes nearest to a pixel, and
// the clicks offered to a pick while a person answers its prompt. Internal
// to the host library.
#pragma once

#include <memory>

#include "host/HostSelection.h"

class QObject;

namespace host {

class Document;

// While the returned owner lives, a left click in the document's view window
// offers the entity under the pointer to set (through tracker, which may be
// null). Null when the document has no view window.
std::unique_ptr<QObject> WatchViewClicks(Document& document, hostSelectionSet& set, HostEdSSetTracker* tracker);

}  // namespace host
