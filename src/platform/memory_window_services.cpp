#include "platform/memory_window_services.h"

#include <cstdlib>

std::string MemoryWindowServices::Describe(const char* operation, Control control, const std::string& rest) {
  std::string entry = std::string(operation) + " " + ControlName(control);
  if (!rest.empty()) entry += " " + rest;
  return entry;
}

void MemoryWindowServices::Log(std::string entry) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard lock(mutex_);
    log_.push_back(entry);
    hook = afterEachCall_;
  }
  if (hook) hook(entry);
}

int MemoryWindowServices::ListRowCount(Control list) {
  int n;
  {
    std::lock_guard lock(mutex_);
    n = static_cast<int>(rows_.size());
  }
  Log(Describe("ListRowCount", list));
  return n;
}

int MemoryWindowServices::ListAppendRow(Control list, const Text& column0) {
  int index;
  {
    std::lock_guard lock(mutex_);
    Row row;
    row.cells[0] = column0;
    rows_.push_back(row);
    index = static_cast<int>(rows_.size()) - 1;
  }
  Log(Describe("ListAppendRow", list, Utf8FromGbk(column0)));
  return index;
}

Text MemoryWindowServices::ListGetCellText(Control list, int row, int column) {
  Text text;
  {
    std::lock_guard lock(mutex_);
    if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 5) {
      text = rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
    }
  }
  Log(Describe("ListGetCellText", list, std::to_string(row) + " " + std::to_string(column)));
  return text;
}

void MemoryWindowServices::ListSetCellText(Control list, int row, int column, const Text& text) {
  {
    std::lock_guard lock(mutex_);
    if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 5) {
      rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
    }
  }
  Log(Describe("ListSetCellText", list,
               std::to_string(row) + " " + std::to_string(column) + " " + Utf8FromGbk(text)));
}

int MemoryWindowServices::ListGetRowCheck(Control list, int row) {
  int state = -1;
  {
    std::lock_guard lock(mutex_);
    if (row >= 0 && row < static_cast<int>(rows_.size())) state = rows_[static_cast<size_t>(row)].check;
  }
  Log(Describe("ListGetRowCheck", list, std::to_string(row)));
  return state;
}

void MemoryWindowServices::ListSetRowCheck(Control list, int row, int state) {
  {
    std::lock_guard lock(mutex_);
    if (row >= 0 && row < static_cast<int>(rows_.size())) rows_[static_cast<size_t>(row)].check = state ? 1 : 0;
  }
  Log(Describe("ListSetRowCheck", list, std::to_string(row) + " " + std::to_string(state)));
}

void MemoryWindowServices::ListEnsureVisible(Control list, int row) {
  Log(Describe("ListEnsureVisible", list, std::to_string(row)));
}

void MemoryWindowServices::ListDeleteAllRows(Control list) {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
    queuedChecks_.clear();
  }
  Log(Describe("ListDeleteAllRows", list));
}

void MemoryWindowServices::SetEnabled(Control control, bool enabled) {
  {
    std::lock_guard lock(mutex_);
    enabled_[control] = enabled;
  }
  Log(Describe("SetEnabled", control, enabled ? "1" : "0"));
}

bool MemoryWindowServices::IsEnabled(Control control) {
  std::lock_guard lock(mutex_);
  auto it = enabled_.find(control);
  return it == enabled_.end() || it->second;
}

void MemoryWindowServices::SetCaption(Control control, const Text& text) {
  {
    std::lock_guard lock(mutex_);
    captions_[control] = text;
  }
  Log(Describe("SetCaption", control, Utf8FromGbk(text)));
}

Text MemoryWindowServices::GetCaption(Control control) {
  std::lock_guard lock(mutex_);
  return captions_[control];
}

Text MemoryWindowServices::GetEditText(Control edit) {
  Text text;
  {
    std::lock_guard lock(mutex_);
    text = captions_[edit];
  }
  Log(Describe("GetEditText", edit));
  return text;
}

void MemoryWindowServices::SetEditText(Control edit, const Text& text) {
  std::lock_guard lock(mutex_);
  captions_[edit] = text;
}

int MemoryWindowServices::GetChecked(Control checkBox) {
  int state;
  {
    std::lock_guard lock(mutex_);
    state = checked_[checkBox];
  }
  Log(Describe("GetChecked", checkBox));
  return state;
}

void MemoryWindowServices::SetChecked(Control checkBox, int state) {
  std::lock_guard lock(mutex_);
  checked_[checkBox] = state;
}

void MemoryWindowServices::SetProgressMaximum(Control bar, int maximum) {
  {
    std::lock_guard lock(mutex_);
    progressMaximum_ = maximum;
  }
  Log(Describe("SetProgressMaximum", bar, std::to_string(maximum)));
}

int MemoryWindowServices::GetProgressMaximum(Control) {
  std::lock_guard lock(mutex_);
  return progressMaximum_;
}

int MemoryWindowServices::GetProgressPosition(Control bar) {
  int position;
  {
    std::lock_guard lock(mutex_);
    position = progressPosition_;
  }
  Log(Describe("GetProgressPosition", bar));
  return position;
}

void MemoryWindowServices::SetProgressPosition(Control bar, int position) {
  {
    std::lock_guard lock(mutex_);
    progressPosition_ = position;
  }
  Log(Describe("SetProgressPosition", bar, std::to_string(position)));
}

void MemoryWindowServices::ProcessPendingMessages() {}

void MemoryWindowServices::LoadWindowModal(Control window, Control owner) {
  Log(Describe("LoadWindowModal", window, ControlName(owner)));
}

void MemoryWindowServices::UnloadWindow(Control window) { Log(Describe("UnloadWindow", window)); }

void MemoryWindowServices::EndProgram(int exitCode) { std::_Exit(exitCode); }

void MemoryWindowServices::ClickRowCheckBox(int row) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  Row& r = rows_[static_cast<size_t>(row)];
  r.check = r.check == 1 ? 0 : 1;
  queuedChecks_.push_back(row);
}

void MemoryWindowServices::RunQueuedEvents() {
  std::vector<int> queued;
  std::function<void(int, int)> handler;
  {
    std::lock_guard lock(mutex_);
    queued.swap(queuedChecks_);
    handler = rowCheckChanged_;
  }
  for (int row : queued) {
    int state;
    {
      std::lock_guard lock(mutex_);
      state = row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].check : -1;
    }
    if (handler) handler(row, state);
  }
}

void MemoryWindowServices::SetRowCheckChangedHandler(std::function<void(int, int)> handler) {
  std::lock_guard lock(mutex_);
  rowCheckChanged_ = std::move(handler);
}

std::vector<MemoryWindowServices::Row> MemoryWindowServices::Rows() {
  std::lock_guard lock(mutex_);
  return rows_;
}

std::vector<std::string> MemoryWindowServices::TakeLog() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

void MemoryWindowServices::SetAfterEachCall(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(mutex_);
  afterEachCall_ = std::move(hook);
}
