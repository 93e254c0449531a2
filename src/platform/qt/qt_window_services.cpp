#include "platform/qt/qt_window_services.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
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
  if (OnOwnThread()) {
    ApplyPosted();
    return action();
  }
  if (shutDown_.load()) return R{};
  R result{};
  QMetaObject::invokeMethod(
      this,
      [&] {
        ApplyPosted();
        result = action();
      },
      Qt::BlockingQueuedConnection);
  return result;
}

void QtWindowServices::OnGuiThread(const std::function<void()>& action) {
  OnGuiThread<int>([&] {
    action();
    return 0;
  });
}

void QtWindowServices::Post(std::function<void()> action) {
  if (OnOwnThread()) {
    ApplyPosted();
    return action();
  }
  if (shutDown_.load()) return;
  // Collected and applied together a few dozen times a second: a fetch sets
  // the caption after every page, and a repaint for each one took the CPU the
  // fetch itself needed. Every call that acts on the GUI thread applies what
  // is collected first, so the order of the calls holds.
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(action));
  if (postedScheduled_) return;
  postedScheduled_ = true;
  QMetaObject::invokeMethod(
      this, [this] { QTimer::singleShot(kPostedBatchMs, this, [this] { ApplyPosted(); }); }, Qt::QueuedConnection);
}

void QtWindowServices::PostOnce(PostedKind kind, std::function<void()> action) {
  if (!OnOwnThread()) {
    std::lock_guard lock(postedMutex_);
    // One waiting is enough: it shows the state as it is when it runs.
    if (postedOnce_[static_cast<size_t>(kind)]) return;
    postedOnce_[static_cast<size_t>(kind)] = true;
  }
  Post(std::move(action));
}

void QtWindowServices::ApplyPosted() {
  std::vector<std::function<void()>> actions;
  {
    std::lock_guard lock(postedMutex_);
    actions.swap(posted_);
    postedScheduled_ = false;
    postedOnce_.fill(false);
  }
  for (auto& action : actions) action();
}

std::unique_lock<std::recursive_mutex> QtWindowServices::HoldRows() {
  RowStore* store = stores_[static_cast<size_t>(Control::超级列表框1)].get();
  return store ? std::unique_lock(store->Mutex()) : std::unique_lock<std::recursive_mutex>();
}

void QtWindowServices::Register(Control control, QWidget* widget) {
  widgets_[static_cast<size_t>(control)] = widget;
  if (auto* view = qobject_cast<AnswerListView*>(widget)) {
    stores_[static_cast<size_t>(control)] = view->Rows()->Store();
    // Queued: the handler runs after the click or key press is done, and reads
    // the tick as it is then.
    connect(
        view->Rows(), &AnswerListModel::checkChangedByHand, this,
        [this, control](int row) {
          if (!rowCheckChanged_) return;
          auto held = HoldRows();
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

RowStore* QtWindowServices::Store(Control list) const {
  return stores_[static_cast<size_t>(list)].get();
}

// The rows are served from any thread at once, under the store's own lock.
int QtWindowServices::ListRowCount(Control list) {
  RowStore* store = Store(list);
  return store ? store->RowCount() : 0;
}

int QtWindowServices::ListAppendRow(Control list, const Text& column0) {
  RowStore* store = Store(list);
  return store ? store->AppendRow(column0) : -1;
}

Text QtWindowServices::ListGetCellText(Control list, int row, int column) {
  RowStore* store = Store(list);
  return store ? store->CellText(row, column) : Text{};
}

void QtWindowServices::ListSetCellText(Control list, int row, int column, const Text& text) {
  if (RowStore* store = Store(list)) store->SetCellText(row, column, text);
}

int QtWindowServices::ListGetRowCheck(Control list, int row) {
  RowStore* store = Store(list);
  return store ? store->RowCheck(row) : -1;
}

void QtWindowServices::ListSetRowCheck(Control list, int row, int state) {
  if (RowStore* store = Store(list)) store->SetRowCheck(row, state != 0);
}

void QtWindowServices::ListEnsureVisible(Control list, int row) {
  // Only where the list ends up matters: one scroll per batch, to the row asked for last.
  ensureVisibleRow_ = row;
  PostOnce(PostedKind::EnsureVisible, [this, list] {
    AnswerListView* view = List(list);
    if (!view) return;
    view->Rows()->Flush();
    const int target = ensureVisibleRow_.load();
    if (target < 0 || target >= view->Rows()->rowCount()) return;
    view->scrollTo(view->Rows()->index(target, 0));
  });
}

void QtWindowServices::ListDeleteAllRows(Control list) {
  if (RowStore* store = Store(list)) store->DeleteAllRows();
  // On the GUI thread the view empties at once; elsewhere with the next batch.
  if (OnOwnThread()) {
    if (AnswerListView* view = List(list)) view->Rows()->Flush();
  }
}

void QtWindowServices::SetEnabled(Control control, bool enabled) {
  Post([this, control, enabled] {
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
  Post([this, control, text] {
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
  Post([this, edit, text] {
    if (auto* box = qobject_cast<QLineEdit*>(Widget(edit))) box->setText(FromGbk(TextOf(text)));
  });
}

int QtWindowServices::GetChecked(Control checkBox) {
  return OnGuiThread<int>([&] {
    auto* box = qobject_cast<QAbstractButton*>(Widget(checkBox));
    return box && box->isChecked() ? 1 : 0;
  });
}

// The bar's numbers are kept here and answered at once; the widget shows them
// clamped to its range, as a progress control does.
void QtWindowServices::SetProgressMaximum(Control bar, int maximum) {
  progressMaximum_ = maximum;
  PostOnce(PostedKind::Progress, [this, bar] { ShowProgress(bar); });
}

int QtWindowServices::GetProgressMaximum(Control) { return progressMaximum_.load(); }

int QtWindowServices::GetProgressPosition(Control) { return progressPosition_.load(); }

void QtWindowServices::SetProgressPosition(Control bar, int position) {
  progressPosition_ = position;
  PostOnce(PostedKind::Progress, [this, bar] { ShowProgress(bar); });
}

void QtWindowServices::ShowProgress(Control bar) {
  auto* progress = qobject_cast<QProgressBar*>(Widget(bar));
  if (!progress) return;
  // A range of 0 to 0 would make the bar a busy indicator; an empty bar it is.
  const int maximum = progressMaximum_.load();
  progress->setRange(0, std::max(1, maximum));
  progress->setValue(maximum <= 0 ? 0 : std::clamp(progressPosition_.load(), 0, maximum));
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
