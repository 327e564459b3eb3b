#pragma once

#include <QApplication>

inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "mfc_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}
