// Cost of a window-service call made from a worker thread (carried out on the
// GUI thread while the worker waits) against the same call made directly on
// the GUI thread, and the time to fill the list with 10,000 rows from a worker.
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/qt/answer_list_view.h"
#include "platform/qt/qt_window_services.h"

namespace {

constexpr Control kList = Control::超级列表框1;

// Calls per second of `calls` ListGetRowCheck calls.
double CallRate(int calls) {
  QElapsedTimer timer;
  timer.start();
  int sum = 0;
  for (int i = 0; i < calls; ++i) sum += ListGetRowCheck(kList, i % 100);
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
  InstallWindowServices(&services);
  for (int i = 0; i < 100; ++i) services.ListAppendRow(kList, "1");

  constexpr int kDirectCalls = 2'000'000;
  constexpr int kWorkerCalls = 50'000;
  CallRate(10'000);  // warm-up
  double direct = CallRate(kDirectCalls);
  double fromWorker = 0;
  OnWorker([&] { fromWorker = CallRate(kWorkerCalls); });
  std::printf("window service call, ListGetRowCheck\n");
  std::printf("  baseline: direct on the GUI thread  %12.0f calls/s\n", direct);
  std::printf("  from a worker thread (blocking)     %12.0f calls/s\n", fromWorker);
  std::printf("  ratio worker/direct                 %12.5f  (each worker call costs %.1f us)\n", fromWorker / direct,
              1e6 / fromWorker);

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
