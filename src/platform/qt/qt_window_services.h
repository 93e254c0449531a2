#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/window_services.h"

class AnswerListView;
class QEventLoop;
class RowStore;

// The window services over Qt widgets. The object lives on the GUI thread.
// - The list's rows are plain data under one lock (RowStore): every thread
//   reads and writes them at once; the view catches up in batches. The GUI
//   thread holds that lock while an event handler runs, so calls still land
//   one at a time and never inside a handler.
// - Widgets are touched on the GUI thread only. A call made there acts
//   directly. From another thread, a call that answers something waits for the
//   GUI thread (a blocking queued call); one that only changes a widget is
//   collected, not waited for, and applied with the others of the same
//   moment in their order before any later call takes effect.
// - The progress bar's numbers are kept here and answered at once.
// Once the GUI thread has left its event loop for good (Shutdown), calls from
// other threads return at once with empty results instead of waiting for a
// loop that will not run again.
class QtWindowServices : public QObject, public WindowServices {
  Q_OBJECT

 public:
  QtWindowServices();

  // GUI thread only: which widget stands for a control. A widget that is
  // destroyed drops out by itself; calls on a missing control do nothing.
  void Register(Control control, QWidget* widget);
  QWidget* Widget(Control control) const;
  // Makes the window for LoadWindowModal when it is not registered yet.
  void SetWindowFactory(Control window, std::function<QWidget*()> factory);
  // Runs on the GUI thread for each tick changed by hand, with the state read then.
  void SetRowCheckChangedHandler(std::function<void(int row, int state)> handler);
  // Called by start-up once the event loop has ended; see the class comment.
  void Shutdown();
  // Held by the GUI thread while an event handler runs: no other thread's call
  // on the rows lands in the middle of a handler.
  std::unique_lock<std::recursive_mutex> HoldRows();

  int ListRowCount(Control list) override;
  int ListAppendRow(Control list, const Text& column0) override;
  Text ListGetCellText(Control list, int row, int column) override;
  void ListSetCellText(Control list, int row, int column, const Text& text) override;
  int ListGetRowCheck(Control list, int row) override;
  void ListSetRowCheck(Control list, int row, int state) override;
  void ListEnsureVisible(Control list, int row) override;
  void ListDeleteAllRows(Control list) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;
  void SetCaption(Control control, const Text& text) override;
  Text GetCaption(Control control) override;
  Text GetEditText(Control edit) override;
  void SetEditText(Control edit, const Text& text) override;
  int GetChecked(Control checkBox) override;
  void SetProgressMaximum(Control bar, int maximum) override;
  int GetProgressMaximum(Control bar) override;
  int GetProgressPosition(Control bar) override;
  void SetProgressPosition(Control bar, int position) override;
  void ProcessPendingMessages() override;
  bool IsWindowThread() override { return OnOwnThread(); }
  void LoadWindowModal(Control window, Control owner) override;
  void UnloadWindow(Control window) override;
  [[noreturn]] void EndProgram(int exitCode) override;

 private:
  static constexpr size_t kControls = static_cast<size_t>(Control::按钮1) + 1;

  // Runs `action` on the GUI thread and returns its result (or R{} after Shutdown).
  template <typename R>
  R OnGuiThread(const std::function<R()>& action);
  void OnGuiThread(const std::function<void()>& action);
  // Runs `action` on the GUI thread; from another thread without waiting for it.
  void Post(std::function<void()> action);
  // GUI thread: carries out what other threads posted, in order.
  void ApplyPosted();
  // Actions that show a state kept here (the bar, where the list is scrolled
  // to): one of each kind waits at most, and shows the state as it is then.
  enum class PostedKind { Progress, EnsureVisible, Count };
  void PostOnce(PostedKind kind, std::function<void()> action);
  void ShowProgress(Control bar);
  RowStore* Store(Control list) const;
  bool OnOwnThread() const;
  AnswerListView* List(Control list) const;

  std::array<QPointer<QWidget>, kControls> widgets_;
  // Set when a list registers, before any other thread starts; outlive the views.
  std::array<std::shared_ptr<RowStore>, kControls> stores_;
  std::array<std::function<QWidget*()>, kControls> factories_;
  std::array<QPointer<QEventLoop>, kControls> modalLoops_;
  std::function<void(int, int)> rowCheckChanged_;
  // The progress bar shows a clamped value; callers get back what they set.
  std::atomic<int> progressMaximum_{100};
  std::atomic<int> progressPosition_{0};
  std::atomic<bool> shutDown_{false};
  static constexpr int kPostedBatchMs = 40;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
  bool postedScheduled_ = false;
  std::array<bool, static_cast<size_t>(PostedKind::Count)> postedOnce_{};
  std::atomic<int> ensureVisibleRow_{-1};
};
