#include "platform/qt/qt_window_services.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/answer_list_view.h"

namespace {

QString FromGbk(const Text& text) {
  return QString::fromStdU16String(Utf16FromGbk(text));
}
Text ToGbk(const QString& text) {
  return GbkFromUtf16(text.toStdU16String());
}

// A hyperlink label holds its caption inside an anchor; this is the caption alone.
bool IsLink(const QLabel* label) {
  return label->property("linkAddress").isValid();
}

}  // namespace

QtWindowServices::QtWindowServices() = default;

bool QtWindowServices::OnOwnThread() const {
  return QThread::currentThread() == thread();
}

template <typename R>
R QtWindowServices::OnGuiThread(const std::function<R()>& action) {
  if (OnOwnThread()) return action();
  if (shutDown_.load()) return R{};
  R result{};
  QMetaObject::invokeMethod(
      this, [&] { result = action(); }, Qt::BlockingQueuedConnection);
  return result;
}

void QtWindowServices::OnGuiThread(const std::function<void()>& action) {
  if (OnOwnThread()) return action();
  if (shutDown_.load()) return;
  QMetaObject::invokeMethod(
      this, [&] { action(); }, Qt::BlockingQueuedConnection);
}

void QtWindowServices::Register(Control control, QWidget* widget) {
  widgets_[static_cast<size_t>(control)] = widget;
  if (auto* view = qobject_cast<AnswerListView*>(widget)) {
    // Queued: the handler runs after the click or key press is done, and reads
    // the tick as it is then.
    connect(
        view->Rows(), &AnswerListModel::checkChangedByHand, this,
        [this, control](int row) {
          if (!rowCheckChanged_) return;
          rowCheckChanged_(row, ListGetRowCheck(control, row));
        },
        Qt::QueuedConnection);
  }
}

QWidget* QtWindowServices::Widget(Control control) const {
  return widgets_[static_cast<size_t>(control)].data();
}

void QtWindowServices::SetWindowFactory(Control window, std::function<QWidget*()> factory) {
  factories_[static_cast<size_t>(window)] = std::move(factory);
}

void QtWindowServices::SetRowCheckChangedHandler(std::function<void(int, int)> handler) {
  rowCheckChanged_ = std::move(handler);
}

void QtWindowServices::Shutdown() {
  shutDown_.store(true);
}

AnswerListView* QtWindowServices::List(Control list) const {
  return qobject_cast<AnswerListView*>(Widget(list));
}

int QtWindowServices::ListRowCount(Control list) {
  return OnGuiThread<int>([&] {
    AnswerListView* view = List(list);
    return view ? view->Rows()->RowCount() : 0;
  });
}

int QtWindowServices::ListAppendRow(Control list, const Text& column0) {
  return OnGuiThread<int>([&] {
    AnswerListView* view = List(list);
    return view ? view->Rows()->AppendRow(column0) : -1;
  });
}

Text QtWindowServices::ListGetCellText(Control list, int row, int column) {
  return OnGuiThread<Text>([&] {
    AnswerListView* view = List(list);
    return view ? view->Rows()->CellText(row, column) : Text{};
  });
}

void QtWindowServices::ListSetCellText(Control list, int row, int column, const Text& text) {
  OnGuiThread([&] {
    if (AnswerListView* view = List(list)) view->Rows()->SetCellText(row, column, text);
  });
}

int QtWindowServices::ListGetRowCheck(Control list, int row) {
  return OnGuiThread<int>([&] {
    AnswerListView* view = List(list);
    return view ? view->Rows()->RowCheck(row) : -1;
  });
}

void QtWindowServices::ListSetRowCheck(Control list, int row, int state) {
  OnGuiThread([&] {
    if (AnswerListView* view = List(list)) view->Rows()->SetRowCheck(row, state != 0);
  });
}

void QtWindowServices::ListEnsureVisible(Control list, int row) {
  OnGuiThread([&] {
    AnswerListView* view = List(list);
    if (!view) return;
    view->Rows()->Flush();
    if (row < 0 || row >= view->Rows()->rowCount()) return;
    view->scrollTo(view->Rows()->index(row, 0));
  });
}

void QtWindowServices::ListDeleteAllRows(Control list) {
  OnGuiThread([&] {
    if (AnswerListView* view = List(list)) view->Rows()->DeleteAllRows();
  });
}

void QtWindowServices::SetEnabled(Control control, bool enabled) {
  OnGuiThread([&] {
    if (QWidget* w = Widget(control)) w->setEnabled(enabled);
  });
}

bool QtWindowServices::IsEnabled(Control control) {
  return OnGuiThread<bool>([&] {
    QWidget* w = Widget(control);
    return w ? w->isEnabled() : false;
  });
}

void QtWindowServices::SetCaption(Control control, const Text& text) {
  OnGuiThread([&] {
    QWidget* w = Widget(control);
    if (!w) return;
    QString caption = FromGbk(TextOf(text));
    if (auto* box = qobject_cast<QGroupBox*>(w)) {
      box->setTitle(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      button->setText(caption);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      if (IsLink(label)) {
        label->setProperty("linkCaption", caption);
        label->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                           .arg(label->property("linkAddress").toString().toHtmlEscaped(), caption.toHtmlEscaped()));
      } else {
        label->setText(caption);
      }
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      edit->setText(caption);
    } else if (w->isWindow()) {
      w->setWindowTitle(caption);
    }
  });
}

Text QtWindowServices::GetCaption(Control control) {
  return OnGuiThread<Text>([&]() -> Text {
    QWidget* w = Widget(control);
    if (!w) return {};
    if (auto* box = qobject_cast<QGroupBox*>(w)) return ToGbk(box->title());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return ToGbk(button->text());
    if (auto* label = qobject_cast<QLabel*>(w)) {
      return ToGbk(IsLink(label) ? label->property("linkCaption").toString() : label->text());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return ToGbk(edit->text());
    if (w->isWindow()) return ToGbk(w->windowTitle());
    return {};
  });
}

Text QtWindowServices::GetEditText(Control edit) {
  return OnGuiThread<Text>([&] {
    auto* box = qobject_cast<QLineEdit*>(Widget(edit));
    return box ? ToGbk(box->text()) : Text{};
  });
}

void QtWindowServices::SetEditText(Control edit, const Text& text) {
  OnGuiThread([&] {
    if (auto* box = qobject_cast<QLineEdit*>(Widget(edit))) box->setText(FromGbk(TextOf(text)));
  });
}

int QtWindowServices::GetChecked(Control checkBox) {
  return OnGuiThread<int>([&] {
    auto* box = qobject_cast<QAbstractButton*>(Widget(checkBox));
    return box && box->isChecked() ? 1 : 0;
  });
}

void QtWindowServices::SetProgressMaximum(Control bar, int maximum) {
  OnGuiThread([&] {
    progressMaximum_ = maximum;
    if (auto* progress = qobject_cast<QProgressBar*>(Widget(bar))) {
      progress->setRange(0, std::max(0, maximum));
      progress->setValue(std::clamp(progressPosition_, 0, std::max(0, maximum)));
    }
  });
}

int QtWindowServices::GetProgressMaximum(Control) {
  return OnGuiThread<int>([&] { return progressMaximum_; });
}

int QtWindowServices::GetProgressPosition(Control) {
  return OnGuiThread<int>([&] { return progressPosition_; });
}

void QtWindowServices::SetProgressPosition(Control bar, int position) {
  OnGuiThread([&] {
    progressPosition_ = position;
    // A bar shows its position within its range, as a progress control clamps it.
    if (auto* progress = qobject_cast<QProgressBar*>(Widget(bar))) {
      progress->setValue(std::clamp(position, progress->minimum(), progress->maximum()));
    }
  });
}

void QtWindowServices::ProcessPendingMessages() {
  if (!OnOwnThread()) return;  // a thread without windows has nothing waiting
  QCoreApplication::processEvents();
}

void QtWindowServices::LoadWindowModal(Control window, Control owner) {
  OnGuiThread([&] {
    size_t slot = static_cast<size_t>(window);
    QWidget* w = Widget(window);
    if (!w && factories_[slot]) {
      w = factories_[slot]();
      Register(window, w);
    }
    if (!w) return;
    QPointer<QWidget> ownerWidget = Widget(owner);
    bool ownerWasEnabled = ownerWidget && ownerWidget->isEnabled();
    if (ownerWidget) ownerWidget->setEnabled(false);

    QEventLoop loop;
    modalLoops_[slot] = &loop;
    QPointer<QWidget> guard = w;
    connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    w->raise();
    w->activateWindow();
    if (guard) loop.exec(QEventLoop::DialogExec);
    modalLoops_[slot] = nullptr;
    if (ownerWidget) ownerWidget->setEnabled(ownerWasEnabled);
  });
}

void QtWindowServices::UnloadWindow(Control window) {
  OnGuiThread([&] {
    size_t slot = static_cast<size_t>(window);
    QPointer<QWidget> w = widgets_[slot];
    widgets_[slot] = nullptr;
    if (w) {
      // Hidden now, deleted once the handler that asked for it has returned:
      // it may be the window's own button. Neither raises a close request.
      w->hide();
      w->deleteLater();
    }
    if (QEventLoop* loop = modalLoops_[slot]) loop->quit();
  });
}

void QtWindowServices::EndProgram(int exitCode) {
  // No destructor runs: other threads may still be inside a window call.
  std::fflush(nullptr);
  std::_Exit(exitCode);
}
