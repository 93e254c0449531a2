#pragma once

#include <QWidget>
#include <functional>

class EmbeddedBrowser;
class QPushButton;
class QtWindowServices;

// The modal window in which the user logs in: the embedded browser on the
// site's login page and one confirm button. Its close request and the button
// run the given handlers (OnLoginWindowCloseQuery, OnLoginConfirmed in the
// program). Building it registers its controls with the window services.
class LoginWindow : public QWidget {
  Q_OBJECT

 public:
  LoginWindow(QtWindowServices& services, std::function<void()> onCloseRequest, std::function<void()> onConfirmed);

  EmbeddedBrowser* Browser() const { return browser_; }
  QPushButton* ConfirmButton() const { return confirm_; }

 protected:
  // Close box, Alt+F4, the system menu's Close. A destroy raises none.
  void closeEvent(QCloseEvent* event) override;

 private:
  EmbeddedBrowser* browser_;
  QPushButton* confirm_;
  std::function<void()> onCloseRequest_;
};

// Outer size of the login window.
constexpr int kLoginWindowWidth = 245;
constexpr int kLoginWindowHeight = 376;

// Handler of the main window's created event: shows the login window alone and
// modally; returns once it is gone.
void OnMainWindowCreated();
// The login window's close request: ends the program with exit code 0.
[[noreturn]] void OnLoginWindowCloseQuery();
// The confirm button: destroys the login window (no close request).
void OnLoginConfirmed();
// The browser's new-window event: writes the status text as the browser's
// address. With no status text (a script opened the window) the browser goes
// to the address the new window asks for instead of to an empty address.
void OnLoginBrowserNewWindow();

// The window the program loads: a LoginWindow wired to the handlers above.
QWidget* MakeLoginWindow(QtWindowServices& services);
