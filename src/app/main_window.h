#pragma once

#include <QWidget>

class QtWindowServices;

// The program's one lasting window: the answer list and every control that
// fetches, selects and hides. Building it registers each control with the
// window services under its name.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(QtWindowServices& services);

 protected:
  // The can-be-closed event: OnMainWindowClosing runs, the window always closes.
  void closeEvent(QCloseEvent* event) override;
};

// Outer size of the main window.
constexpr int kMainWindowWidth = 610;
constexpr int kMainWindowHeight = 515;

// Handler of the main window's can-be-closed event: opens the publisher's home
// page in the user's browser; lets the window close.
void OnMainWindowClosing();
// Click handlers of the two long-operation buttons: each starts its routine on
// a new detached thread and returns at once.
void OnFetchClicked();
void OnHideClicked();
