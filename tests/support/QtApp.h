// One Qt application for a test program, made on first use.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace pcvr_test {

inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "pcvr_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// A key press as the keyboard delivers it to the widget, then its release.
inline void PressKey(QWidget* widget, int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(widget, &release);
}

}  // namespace pcvr_test
