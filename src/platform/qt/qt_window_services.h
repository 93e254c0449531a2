#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>

#include "platform/window_services.h"

class AnswerListView;
class QEventLoop;

// The window services over Qt widgets. The object lives on the GUI thread. A
// call made there acts directly; a call from any other thread is carried out
// on the GUI thread while the caller waits (a blocking queued call), so calls
// run one at a time and the widgets need no lock. Once the GUI thread has left
// its event loop for good (Shutdown), calls from other threads return at once
// with empty results instead of waiting for a loop that will not run again.
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
  void LoadWindowModal(Control window, Control owner) override;
  void UnloadWindow(Control window) override;
  [[noreturn]] void EndProgram(int exitCode) override;

 private:
  static constexpr size_t kControls = static_cast<size_t>(Control::按钮1) + 1;

  // Runs `action` on the GUI thread and returns its result (or R{} after Shutdown).
  template <typename R>
  R OnGuiThread(const std::function<R()>& action);
  void OnGuiThread(const std::function<void()>& action);
  bool OnOwnThread() const;
  AnswerListView* List(Control list) const;

  std::array<QPointer<QWidget>, kControls> widgets_;
  std::array<std::function<QWidget*()>, kControls> factories_;
  std::array<QPointer<QEventLoop>, kControls> modalLoops_;
  std::function<void(int, int)> rowCheckChanged_;
  // The progress bar shows a clamped value; callers get back what they set.
  int progressMaximum_ = 100;
  int progressPosition_ = 0;
  std::atomic<bool> shutDown_{false};
};
