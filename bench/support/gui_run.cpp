#include "gui_run.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include <curl/curl.h>

#include "app/main_window.h"
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"

GuiRun RunOnWorkerThread(const std::function<void()>& work, bool watchGaps) {
  GuiRun run;
  std::atomic<bool> done{false};
  QElapsedTimer total;
  QElapsedTimer sinceTick;
  // A tick every 2 ms while watching: often enough to see any stall. Watching
  // costs the GUI thread wake-ups of its own, so timed runs do not watch.
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(2);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    run.longestGapMs = std::max(run.longestGapMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
    sinceTick.restart();
  });
  total.start();
  sinceTick.start();
  if (watchGaps) ticker.start();
  std::thread worker([&] {
    work();
    done = true;
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  QApplication::exec();
  worker.join();
  ticker.stop();
  run.seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
  return run;
}

struct BenchProgram::State {
  QApplication* app = nullptr;
  site::StandInSite site;
  QtWindowServices* services = nullptr;
  MainWindow* window = nullptr;
};

BenchProgram::BenchProgram(int& argc, char** argv) : state_(new State) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("no_proxy", "127.0.0.1", 1);
  state_->app = new QApplication(argc, argv);
  EnsureCurlReady();
  if (!state_->site.Start(0)) std::abort();
  SetSite(LocalSiteConfig(state_->site.Port()));
  state_->services = new QtWindowServices;
  InstallWindowServices(state_->services);
  state_->window = new MainWindow(*state_->services);
  state_->window->show();
}

BenchProgram::~BenchProgram() {
  InstallWindowServices(nullptr);
  delete state_->window;
  delete state_->services;
  state_->site.Stop();
  delete state_->app;
  delete state_;
}

site::Account BenchProgram::LogInNewAccount(const std::string& name, int answers) {
  site::Account account = site::StandInSite::GenerateAccount(name, "pw", answers);
  state_->site.AddAccount(account);
  account.session = state_->site.Session(name);
  Cookie cookie;
  cookie.domain = "127.0.0.1";
  cookie.name = state_->site.SessionCookieName();
  cookie.value = account.session;
  StoreCookie(cookie);
  return account;
}

site::StandInSite& BenchProgram::Site() { return state_->site; }
QtWindowServices& BenchProgram::Services() { return *state_->services; }

namespace {

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

std::string Transfer(const std::string& url, const std::string* body, const std::string& cookie) {
  CURL* h = curl_easy_init();
  std::string reply;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_COOKIE, cookie.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  if (body) {
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  } else {
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  }
  curl_easy_perform(h);
  curl_easy_cleanup(h);
  return reply;
}

}  // namespace

std::string BareGet(const std::string& url, const std::string& cookie) { return Transfer(url, nullptr, cookie); }

std::string BarePost(const std::string& url, const std::string& body, const std::string& cookie) {
  return Transfer(url, &body, cookie);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}
