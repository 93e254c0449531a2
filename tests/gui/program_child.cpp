// The real program under a script, for tests that need a process of its own
// (the program ends the process). Starts the loopback login server, points the
// site at it and runs the program's own start-up. What happens is printed to
// stdout one line each: "shown <window> visible=<windows>", "open <address>",
// "answers-seen", "closing", ...
//   program_child close-login    closes the login window once its page is there
//   program_child login-and-quit logs in through the form, confirms, then closes
//                                the main window while a worker hammers the
//                                window services
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "app/login_window.h"
#include "app/startup.h"
#include "login_test_server.h"
#include "platform/qt/embedded_browser.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "platform/window_services.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

QWidget* TopLevel(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == name) return w;
  }
  return nullptr;
}

class ShowLogger : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* w = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && w && w->isWindow() && !w->objectName().isEmpty()) {
      std::string visible;
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && !top->objectName().isEmpty()) visible += top->objectName().toStdString() + ",";
      }
      Say("shown " + w->objectName().toStdString() + " visible=" + visible);
    }
    return false;
  }
};

bool HasSession() {
  for (const Cookie& c : StoredCookies()) {
    if (c.name == LoginTestServer::kSessionName) return true;
  }
  return false;
}

std::atomic<long> workerCalls{0};

// What a person would do, one step per poll of the windows.
class Script : public QObject {
 public:
  explicit Script(std::string mode) : mode_(std::move(mode)) {
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &Script::Step);
    poll->start(50);
  }

 private:
  enum class State { WaitForForm, Probing, LoggingIn, WaitForMain, Working, Closed };

  void Step() {
    auto* login = qobject_cast<LoginWindow*>(TopLevel("LoginWindow"));
    QWidget* main = TopLevel("MainWindow");
    switch (state_) {
      case State::WaitForForm:
        if (!login) return;
        state_ = State::Probing;
        login->Browser()->page()->runJavaScript("!!document.getElementById('user')", [this](const QVariant& v) {
          state_ = v.toBool() ? FormThere() : State::WaitForForm;
        });
        return;
      case State::Probing:
        return;
      case State::LoggingIn:
        if (login && HasSession()) {
          state_ = State::WaitForMain;
          QTest::mouseClick(login->ConfirmButton(), Qt::LeftButton);
        }
        return;
      case State::WaitForMain:
        if (!main || !main->isVisible()) return;
        state_ = State::Working;
        if (SimpleHttpGet(AnswerPageUrl(0)) == LoginTestServer::kAnswersMarker) Say("answers-seen");
        std::thread([] {
          for (;;) {
            int row = ListAppendRow(Control::超级列表框1, "1");
            ListSetCellText(Control::超级列表框1, row, 1, "title");
            ++workerCalls;
          }
        }).detach();
        return;
      case State::Working:
        if (workerCalls.load() < 20) return;
        state_ = State::Closed;
        Say("closing worker-calls=" + std::to_string(workerCalls.load()));
        main->close();
        return;
      case State::Closed:
        return;
    }
  }

  State FormThere() {
    auto* login = qobject_cast<LoginWindow*>(TopLevel("LoginWindow"));
    if (!login) return State::WaitForForm;
    if (mode_ == "close-login") {
      Say("closing-login");
      login->close();  // what the close box and Alt+F4 send
      return State::Closed;
    }
    login->Browser()->page()->runJavaScript(
        "document.getElementById('user').value='demo'; document.getElementById('login').submit();");
    return State::LoggingIn;
  }

  std::string mode_;
  State state_ = State::WaitForForm;
};

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  static LoginTestServer server;
  SetSite(LocalSiteConfig(server.Port()));
  SetBrowserOpener([](const Text& url) {
    Say("open " + url);
    // Keep the GUI thread busy so that the worker below is surely waiting in a call.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  });
  PrepareProcess();
  int qtArgc = 1;
  new QApplication(qtArgc, argv);
  qApp->installEventFilter(new ShowLogger());

  new Script(mode);
  RunProgram();
}
