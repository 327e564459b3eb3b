// The view manager of a document (document operation 2): the views that
// show its drawing in the document's view window.
#pragma once

class OdGsView;

class HostViewManager {
 public:
  // Operation 0: the view the user works in, or null when the document has
  // no view window. The view belongs to the manager; callers do not release it.
  virtual OdGsView* activeView() = 0;
  // Operation 1: brings view onto the screen now, drawn with its current
  // camera (flags: 0). Returns after the window has been painted.
  virtual void refreshView(OdGsView* view, int flags) = 0;

 protected:
  ~HostViewManager() = default;
};
