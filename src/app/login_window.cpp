#include "app/login_window.h"

#include <QCloseEvent>
#include <QPushButton>

#include "app/window_frame.h"
#include "platform/qt/embedded_browser.h"
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "text/fixed_texts.h"

namespace {
QString FromGbk(const Text& text) {
  return QString::fromStdU16String(Utf16FromGbk(text));
}

EmbeddedBrowser* LoginBrowser() {
  auto* services = dynamic_cast<QtWindowServices*>(&Window());
  return services ? qobject_cast<EmbeddedBrowser*>(services->Widget(Control::超文本浏览框1)) : nullptr;
}
}  // namespace

LoginWindow::LoginWindow(QtWindowServices& services, std::function<void()> onCloseRequest,
                         std::function<void()> onConfirmed)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      onCloseRequest_(std::move(onCloseRequest)) {
  setObjectName(ControlName(Control::LoginWindow));
  setWindowTitle(FromGbk(fixed::LoginWindowTitle()));
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  services.Register(Control::LoginWindow, this);

  // 257 pixels wide in a narrower window: its right edge is cut off.
  browser_ = new EmbeddedBrowser(this);
  browser_->setObjectName(ControlName(Control::超文本浏览框1));
  browser_->setGeometry(0, 0, 257, 292);
  browser_->SetNewWindowHandler([] { OnLoginBrowserNewWindow(); });
  services.Register(Control::超文本浏览框1, browser_);

  confirm_ = new QPushButton(FromGbk(fixed::LoginConfirmCaption()), this);
  confirm_->setObjectName(ControlName(Control::按钮1));
  confirm_->setGeometry(12, 305, 215, 32);
  services.Register(Control::按钮1, confirm_);
  connect(confirm_, &QPushButton::clicked, this, [handler = std::move(onConfirmed)] { handler(); });

  FixAndCentre(this, kLoginWindowWidth, kLoginWindowHeight);
  browser_->SetAddress(LoginAddress(Site()));
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  // The program's handler ends the process; a handler that returns keeps the window.
  event->ignore();
  if (onCloseRequest_) onCloseRequest_();
}

QWidget* MakeLoginWindow(QtWindowServices& services) {
  return new LoginWindow(
      services, [] { OnLoginWindowCloseQuery(); }, [] { OnLoginConfirmed(); });
}

void OnMainWindowCreated() {
  LoadWindowModal(Control::LoginWindow, Control::MainWindow);
}

void OnLoginWindowCloseQuery() {
  EndProgram(0);
}

void OnLoginConfirmed() {
  UnloadWindow(Control::LoginWindow);
}

void OnLoginBrowserNewWindow() {
  EmbeddedBrowser* browser = LoginBrowser();
  if (!browser) return;
  Text status = browser->StatusText();
  if (status.empty()) {
    // Navigating to an empty address would only blank the login page.
    if (!browser->NewWindowAddress().isEmpty()) browser->setUrl(browser->NewWindowAddress());
    return;
  }
  browser->SetAddress(status);
}
