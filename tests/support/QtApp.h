// One Qt application for a test program, made on first use.
#pragma once

#include <QApplication>

namespace pcvr_test {

inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "pcvr_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace pcvr_test
