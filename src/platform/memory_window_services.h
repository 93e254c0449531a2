#pragma once

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_services.h"

// An in-memory window for fast tests: the same services with no toolkit. Calls
// from any thread are serialised by one lock, as the real window thread does.
// Each call is also written to a log ("SetEnabled 按钮… 0") for order checks.
class MemoryWindowServices : public WindowServices {
 public:
  struct Row {
    std::array<Text, 5> cells;
    int check = 0;
  };

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

  // What a person does: tick or untick a row's check box by hand. The change
  // is made at once; RowCheckChanged is queued until RunQueuedEvents.
  void ClickRowCheckBox(int row);
  // Sets the check box's own tick, as a click on it does before its handler runs.
  void SetChecked(Control checkBox, int state);
  // Delivers queued RowCheckChanged events to the handler (row, state read now).
  void RunQueuedEvents();
  void SetRowCheckChangedHandler(std::function<void(int, int)> handler);

  // Test helpers.
  std::vector<Row> Rows();
  std::vector<std::string> TakeLog();
  // Called after every service call, outside the lock (lets a test act "between" calls).
  void SetAfterEachCall(std::function<void(const std::string& call)> hook);

 private:
  void Log(std::string entry);
  std::string Describe(const char* operation, Control control, const std::string& rest = {});

  std::recursive_mutex mutex_;
  std::vector<Row> rows_;
  std::map<Control, bool> enabled_;
  std::map<Control, Text> captions_;
  std::map<Control, int> checked_;
  int progressMaximum_ = 100;
  int progressPosition_ = 0;
  std::vector<int> queuedChecks_;
  std::function<void(int, int)> rowCheckChanged_;
  std::vector<std::string> log_;
  std::function<void(const std::string&)> afterEachCall_;
};
