// main() for the widget tests: the Qt application object exists for every
// test, headless unless the caller chose a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  PrepareProcess();
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  new QApplication(qtArgc, qtArgv);  // kept: the browser engine must not be torn down under its pages
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  QApplication::setQuitOnLastWindowClosed(false);
  int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  std::_Exit(result);
}
