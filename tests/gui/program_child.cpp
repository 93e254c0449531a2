// The real program under a script, for tests that need a process of its own
// (the program ends the process). Starts the loopback login server, points the
// site at it and runs the program's own start-up. What happens is printed to
// stdout one line each: "shown <window> visible=<windows>", "open <address>",
// "answers-seen", "closing", ...
//   program_child close-login    closes the login window once its page is there
//   program_child login-and-quit logs in through the form, confirms, then closes
//                                the main window while a worker hammers the
//                                window services
//   program_child end-from-worker a worker ends the process with code 7 while
//                                another waits in a window call
//   program_child stand-in       the same login on the stand-in site with its
//                                demo account, then a click on the fetch button
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
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "platform/window_services.h"
#include "site/stand_in_site.h"
#include "text/fixed_texts.h"

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
    // Events reach the filter during construction too: look at nothing else.
    if (event->type() != QEvent::Show) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->isWindow() && !w->objectName().isEmpty()) {
      std::string visible;
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && !top->objectName().isEmpty()) visible += top->objectName().toStdString() + ",";
      }
      Say("shown " + w->objectName().toStdString() + " visible=" + visible);
    }
    return false;
  }
};

std::string sessionName = LoginTestServer::kSessionName;

bool HasSession() {
  for (const Cookie& c : StoredCookies()) {
    if (c.name == sessionName) return true;
  }
  return false;
}

bool StandIn(const std::string& mode) {
  return mode == "stand-in";
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
  enum class State { WaitForForm, Probing, LoggingIn, WaitForMain, Fetching, Working, Closed };

  QString UserField() const { return StandIn(mode_) ? "'username'" : "'user'"; }
  static QWidget* Button(Control control) {
    for (QWidget* w : QApplication::allWidgets()) {
      if (w->objectName() == ControlName(control)) return w;
    }
    return nullptr;
  }

  void Step() {
    auto* login = qobject_cast<LoginWindow*>(TopLevel("LoginWindow"));
    QWidget* main = TopLevel("MainWindow");
    switch (state_) {
      case State::WaitForForm:
        if (!login) return;
        state_ = State::Probing;
        login->Browser()->page()->runJavaScript(
            "!!document.getElementsByName(" + UserField() + ")[0]",
            [this](const QVariant& v) { state_ = v.toBool() ? FormThere() : State::WaitForForm; });
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
        if (StandIn(mode_)) {
          if (SimpleHttpGet(AnswerPageUrl(0)).find(site::StandInSite::DemoAccount().answers[0].id) !=
              std::string::npos) {
            Say("answers-seen");
          }
          state_ = State::Fetching;
          QTest::mouseClick(Button(Control::按钮获取所有回答记录), Qt::LeftButton);
          return;
        }
        if (SimpleHttpGet(AnswerPageUrl(0)) == LoginTestServer::kAnswersMarker) Say("answers-seen");
        std::thread([] {
          for (;;) {
            int row = ListAppendRow(Control::超级列表框1, "1");
            ListSetCellText(Control::超级列表框1, row, 1, "title");
            ++workerCalls;
          }
        }).detach();
        return;
      case State::Fetching:
        // Done once the button is back and the list holds rows.
        if (!Button(Control::按钮获取所有回答记录)->isEnabled() || ListRowCount(Control::超级列表框1) == 0) return;
        state_ = State::Closed;
        Say("fetched " + std::to_string(ListRowCount(Control::超级列表框1)));
        Say("closing");
        main->close();
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
        "document.getElementsByName(" + UserField() +
        ")[0].value='demo'; document.getElementsByName('password')[0].value='demo'; document.forms[0].submit();");
    return State::LoggingIn;
  }

  std::string mode_;
  State state_ = State::WaitForForm;
};

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  static LoginTestServer server;
  static site::StandInSite standIn;
  if (StandIn(mode)) {
    standIn.Start(0);
    standIn.AddAccount(site::StandInSite::DemoAccount());
    sessionName = standIn.SessionCookieName();
    SetSite(LocalSiteConfig(standIn.Port()));
    if (SimpleHttpGet(AnswerPageUrl(0)).find(fixed::EndMarker()) != std::string::npos) Say("end-marker-before-login");
  } else {
    SetSite(LocalSiteConfig(server.Port()));
  }
  SetBrowserOpener([](const Text& url) {
    Say("open " + url);
    // Keep the GUI thread busy so that the worker below is surely waiting in a call.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  });
  PrepareProcess();
  int qtArgc = 1;
  new QApplication(qtArgc, argv);
  if (mode == "end-from-worker") {
    auto* services = new QtWindowServices();
    InstallWindowServices(services);
    std::thread([] {
      for (;;) ListRowCount(Control::超级列表框1);
    }).detach();
    QTimer::singleShot(100, [] {
      std::thread([] {
        Say("ending");
        EndProgram(7);
      }).detach();
      // The GUI thread is busy when the call comes: it must not need it.
      std::this_thread::sleep_for(std::chrono::seconds(30));
    });
    return QApplication::exec();
  }
  qApp->installEventFilter(new ShowLogger());

  new Script(mode);
  RunProgram();
}
