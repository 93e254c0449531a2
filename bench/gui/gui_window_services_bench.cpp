// Cost of window-service calls made from a worker thread against the same
// calls made directly on the GUI thread, and the time to fill the list with
// 10,000 rows from a worker.
#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/qt/answer_list_view.h"
#include "platform/qt/qt_window_services.h"

namespace {

constexpr Control kList = Control::超级列表框1;

// Calls per second of `calls` calls of `call`.
template <typename F>
double CallRate(int calls, F call) {
  QElapsedTimer timer;
  timer.start();
  long long sum = 0;
  for (int i = 0; i < calls; ++i) sum += call(i);
  if (sum < 0) std::abort();
  return calls / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

// Runs `work` on a worker thread while the GUI thread serves it; returns seconds.
template <typename F>
double OnWorker(F work) {
  QElapsedTimer timer;
  timer.start();
  std::thread worker([&] {
    work();
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  QApplication::exec();
  worker.join();
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QWidget window;
  auto* list = new AnswerListView(&window);
  list->setGeometry(0, 0, 566, 360);
  window.resize(600, 400);
  window.show();
  QtWindowServices services;
  services.Register(kList, list);
  auto* box = new QGroupBox(&window);
  box->setGeometry(0, 360, 300, 30);
  services.Register(Control::分组框1, box);
  InstallWindowServices(&services);
  for (int i = 0; i < 100; ++i) services.ListAppendRow(kList, "1");

  // Three kinds of call: a row read (served under the rows' lock from any
  // thread), a widget read (the worker waits for the GUI thread), a widget
  // change (collected, applied by the GUI thread in batches).
  auto rowRead = [](int i) { return ListGetRowCheck(kList, i % 100); };
  auto widgetRead = [](int) { return static_cast<long long>(Window().GetCaption(Control::分组框1).size()); };
  auto widgetWrite = [](int i) {
    SetCaption(Control::分组框1, DecimalText(i));
    return 0;
  };
  struct Kind {
    const char* name;
    std::function<long long(int)> call;
    int directCalls;
    int workerCalls;
  };
  const Kind kinds[] = {{"ListGetRowCheck (row read)", rowRead, 2'000'000, 2'000'000},
                        {"GetCaption (widget read)", widgetRead, 200'000, 20'000},
                        {"SetCaption (widget change)", widgetWrite, 20'000, 200'000}};
  for (const Kind& kind : kinds) {
    CallRate(1'000, kind.call);  // warm-up
    double direct = CallRate(kind.directCalls, kind.call);
    double fromWorker = 0;
    OnWorker([&] { fromWorker = CallRate(kind.workerCalls, kind.call); });
    std::printf("window service call, %s\n", kind.name);
    std::printf("  baseline: direct on the GUI thread  %12.0f calls/s\n", direct);
    std::printf("  from a worker thread                %12.0f calls/s\n", fromWorker);
    std::printf("  ratio worker/direct                 %12.5f  (each worker call costs %.2f us)\n",
                fromWorker / direct, 1e6 / fromWorker);
  }

  // Filling the list as the fetch does: one append and four cell writes a row.
  constexpr int kRows = 10'000;
  services.ListDeleteAllRows(kList);
  auto fill = [&] {
    for (int i = 0; i < kRows; ++i) {
      int row = ListAppendRow(kList, "12345");
      for (int c = 1; c < 5; ++c) ListSetCellText(kList, row, c, "some cell text of a row");
    }
  };
  QElapsedTimer directTimer;
  directTimer.start();
  fill();
  double directFill = static_cast<double>(directTimer.nsecsElapsed()) / 1e9;
  services.ListDeleteAllRows(kList);
  double workerFill = OnWorker(fill);
  std::printf("10,000 rows (append + 4 cells each), list on screen\n");
  std::printf("  baseline: direct on the GUI thread  %9.3f s\n", directFill);
  std::printf("  from a worker thread                %9.3f s\n", workerFill);
  std::printf("  ratio worker/direct                 %9.2f\n", workerFill / directFill);
  std::fflush(nullptr);
  std::_Exit(0);
}
