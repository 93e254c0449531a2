#pragma once

#include <cstdlib>
#include <functional>

#include "text/gbk_text.h"

// The windows and controls the program's routines drive, by their names.
enum class Control {
  MainWindow,
  超级链接框1,
  超级链接框2,
  分组框1,
  超级列表框1,
  选择框全选反选,
  进度条1,
  标签1,
  编辑框关键字,
  按钮一键选中,
  按钮获取所有回答记录,
  按钮隐藏选中回答记录,
  LoginWindow,
  超文本浏览框1,
  按钮1,
};

// What the routines need of the window toolkit. Any thread may call: the call
// is carried out on the window thread, one at a time, and the caller waits for
// it. Rows and columns count from 0.
class WindowServices {
 public:
  virtual ~WindowServices() = default;

  virtual int ListRowCount(Control list) = 0;
  // Appends a row after all others, not ticked; returns its index.
  virtual int ListAppendRow(Control list, const Text& column0) = 0;
  virtual Text ListGetCellText(Control list, int row, int column) = 0;
  virtual void ListSetCellText(Control list, int row, int column, const Text& text) = 0;
  // 1 ticked, 0 not ticked, -1 no check box (also for a row that does not exist).
  virtual int ListGetRowCheck(Control list, int row) = 0;
  // Raises no RowCheckChanged.
  virtual void ListSetRowCheck(Control list, int row, int state) = 0;
  virtual void ListEnsureVisible(Control list, int row) = 0;
  virtual void ListDeleteAllRows(Control list) = 0;

  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsEnabled(Control control) = 0;
  virtual void SetCaption(Control control, const Text& text) = 0;
  virtual Text GetCaption(Control control) = 0;
  virtual Text GetEditText(Control edit) = 0;
  virtual void SetEditText(Control edit, const Text& text) = 0;
  // 1 ticked, 0 not.
  virtual int GetChecked(Control checkBox) = 0;
  virtual void SetProgressMaximum(Control bar, int maximum) = 0;
  virtual int GetProgressMaximum(Control bar) = 0;
  virtual int GetProgressPosition(Control bar) = 0;
  virtual void SetProgressPosition(Control bar, int position) = 0;

  // Handles the calling thread's waiting window messages; returns at once on a
  // thread without windows.
  virtual void ProcessPendingMessages() = 0;
  // True on the thread that runs the windows (the one with messages to handle).
  virtual bool IsWindowThread() { return false; }
  // Shows `window` modally over `owner`; returns when the window is gone.
  virtual void LoadWindowModal(Control window, Control owner) = 0;
  // Destroys `window` without raising its close request.
  virtual void UnloadWindow(Control window) = 0;
  // Ends the process from any thread.
  [[noreturn]] virtual void EndProgram(int exitCode) = 0;
};

// The installed backend (the Qt one in the program, the in-memory one in tests).
void InstallWindowServices(WindowServices* services);
WindowServices& Window();
// True once a backend is installed (cheap; any thread).
bool HasWindowServices();

// The routines call the services by their own names.
inline int ListRowCount(Control list) { return Window().ListRowCount(list); }
inline int ListAppendRow(Control list, const Text& column0) { return Window().ListAppendRow(list, column0); }
inline Text ListGetCellText(Control list, int row, int column) { return Window().ListGetCellText(list, row, column); }
inline void ListSetCellText(Control list, int row, int column, const Text& text) {
  Window().ListSetCellText(list, row, column, text);
}
inline int ListGetRowCheck(Control list, int row) { return Window().ListGetRowCheck(list, row); }
inline void ListSetRowCheck(Control list, int row, int state) { Window().ListSetRowCheck(list, row, state); }
inline void ListEnsureVisible(Control list, int row) { Window().ListEnsureVisible(list, row); }
inline void ListDeleteAllRows(Control list) { Window().ListDeleteAllRows(list); }
inline void SetEnabled(Control control, bool enabled) { Window().SetEnabled(control, enabled); }
inline void SetCaption(Control control, const Text& text) { Window().SetCaption(control, text); }
inline Text GetEditText(Control edit) { return Window().GetEditText(edit); }
inline int GetChecked(Control checkBox) { return Window().GetChecked(checkBox); }
inline void SetProgressMaximum(Control bar, int maximum) { Window().SetProgressMaximum(bar, maximum); }
inline int GetProgressPosition(Control bar) { return Window().GetProgressPosition(bar); }
inline void SetProgressPosition(Control bar, int position) { Window().SetProgressPosition(bar, position); }
inline void ProcessPendingMessages() { Window().ProcessPendingMessages(); }
inline void LoadWindowModal(Control window, Control owner) { Window().LoadWindowModal(window, owner); }
inline void UnloadWindow(Control window) { Window().UnloadWindow(window); }
[[noreturn]] inline void EndProgram(int exitCode) {
  Window().EndProgram(exitCode);
  std::abort();  // a virtual call's [[noreturn]] is not seen through: an override that returns stops here
}

// The control's name as the code spells it, in UTF-8 (for logs and tests).
const char* ControlName(Control control);
