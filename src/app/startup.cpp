#include "app/startup.h"

#include <unistd.h>

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>

#include "app/login_window.h"
#include "app/main_window.h"
#include "platform/qt/qt_window_services.h"
#include "platform/web_session.h"

namespace {

void SetIfUnset(const char* name, const char* value) {
  if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
}

}  // namespace

void PrepareProcess() {
  if (geteuid() == 0) {
    // Chromium's sandbox refuses to start as root.
    SetIfUnset("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  SetIfUnset("QTWEBENGINE_CHROMIUM_FLAGS", geteuid() == 0
                                               ? "--no-sandbox --disable-gpu --disable-background-networking "
                                                 "--disable-component-update --disable-domain-reliability --no-pings"
                                               : "--disable-background-networking --disable-component-update "
                                                 "--disable-domain-reliability --no-pings");
  // The browser engine prints its whole configuration at start; users need none of it.
  SetIfUnset("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  EnsureCurlReady();
}

void RunProgram() {
  // The captions are Chinese: a CJK face at the size of a 9-point dialog font.
  QFont font(QStringList{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                         QStringLiteral("Droid Sans Fallback")});
  font.setPixelSize(12);
  QApplication::setFont(font);
  QApplication::setQuitOnLastWindowClosed(false);

  // Neither object is ever destroyed: threads may still call into them.
  auto* services = new QtWindowServices();
  InstallWindowServices(services);
  services->SetWindowFactory(Control::LoginWindow, [services] { return MakeLoginWindow(*services); });
  auto* mainWindow = new MainWindow(*services);

  OnMainWindowCreated();
  mainWindow->show();
  int exitCode = QApplication::exec();

  services->Shutdown();
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

void StartQuillmere(const char* programName) {
  PrepareProcess();
  int argc = 1;
  char* argv[] = {const_cast<char*>(programName), nullptr};
  new QApplication(argc, argv);  // lives until the process ends
  RunProgram();
}
