// One viewport over the whole document window, in place of a tiled layout.
#pragma once

// Replaces the drawing's active viewport configuration (every record named
// "*Active") by one record that spans the drawing area, (0, 0) to (1, 1),
// with the settings of the record that was active, so the view looks where
// it looked before. The change is not undone afterwards and leaves the
// database's undo recording switched off; only the addition of the new
// record is recorded. Does nothing without a document, a database, a
// viewport table or an active record. A table or record of another class
// raises OdError_NotThatKindOfClass, which is left to the caller.
void SetSingleViewport();
