#include "platform/qt/qt_window_services.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "gui_test_support.h"
#include "platform/qt/answer_list_view.h"

namespace {

constexpr Control kList = Control::超级列表框1;

class QtWindowServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<QWidget>();
    list = new AnswerListView(window.get());
    list->setGeometry(0, 0, 566, 360);
    group = new QGroupBox(window.get());
    button = new QPushButton(window.get());
    box = new QCheckBox(window.get());
    edit = new QLineEdit(window.get());
    bar = new QProgressBar(window.get());
    services.Register(Control::MainWindow, window.get());
    services.Register(kList, list);
    services.Register(Control::分组框1, group);
    services.Register(Control::按钮获取所有回答记录, button);
    services.Register(Control::选择框全选反选, box);
    services.Register(Control::编辑框关键字, edit);
    services.Register(Control::进度条1, bar);
    services.SetRowCheckChangedHandler([this](int row, int state) { events.emplace_back(row, state); });
    InstallWindowServices(&services);
  }
  void TearDown() override { InstallWindowServices(nullptr); }

  void AddRows(int n) {
    for (int i = 0; i < n; ++i) services.ListAppendRow(kList, DecimalText(i + 1));
    list->Rows()->Flush();
  }

  QtWindowServices services;
  std::unique_ptr<QWidget> window;
  AnswerListView* list;
  QGroupBox* group;
  QPushButton* button;
  QCheckBox* box;
  QLineEdit* edit;
  QProgressBar* bar;
  std::vector<std::pair<int, int>> events;
};

// Runs `work` on `threads` threads while the GUI thread keeps its loop going.
void RunOnWorkers(int threads, const std::function<void(int)>& work) {
  std::atomic<int> left{threads};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      work(t);
      --left;
    });
  }
  EXPECT_TRUE(WaitUntil([&] { return left.load() == 0; }, 60000));
  for (auto& w : workers) w.join();
}

TEST_F(QtWindowServicesTest, CallsFromSeveralThreadsLandOnTheGuiThreadInOrder) {
  // The widgets' own signals fire in the thread that changes them.
  std::vector<bool> editedOnGui;
  std::vector<std::string> editTexts;
  QObject::connect(
      edit, &QLineEdit::textChanged, edit,
      [&](const QString& text) {
        editedOnGui.push_back(QThread::currentThread() == window->thread());
        editTexts.push_back(text.toStdString());
      },
      Qt::DirectConnection);
  constexpr int kThreads = 4;
  constexpr int kRowsEach = 150;
  std::atomic<int> mismatches{0};
  RunOnWorkers(kThreads, [&](int t) {
    for (int k = 0; k < kRowsEach; ++k) {
      Text name = "t" + DecimalText(t) + "-" + DecimalText(k);
      int row = ListAppendRow(kList, name);
      ListSetCellText(kList, row, 1, Gbk("标题") + name);
      ListSetRowCheck(kList, row, k % 2);
      Window().SetEditText(Control::编辑框关键字, name);
      if (ListGetCellText(kList, row, 0) != name || ListGetCellText(kList, row, 1) != Gbk("标题") + name ||
          ListGetRowCheck(kList, row) != k % 2) {
        ++mismatches;
      }
    }
  });
  EXPECT_EQ(mismatches.load(), 0);
  ASSERT_EQ(services.ListRowCount(kList), kThreads * kRowsEach);
  // Widget changes from other threads are applied in batches; any call on the
  // GUI thread applies what is still collected before it acts.
  services.GetEditText(Control::编辑框关键字);
  EXPECT_EQ(editedOnGui, std::vector<bool>(kThreads * kRowsEach, true));
  std::vector<int> nextEdit(kThreads, 0);
  for (const std::string& text : editTexts) {
    int t = text[1] - '0';
    EXPECT_EQ(text, "t" + std::to_string(t) + "-" + std::to_string(nextEdit[t]));
    ++nextEdit[t];
  }
  // Each thread's rows appear in the order it appended them.
  std::vector<int> next(kThreads, 0);
  for (int row = 0; row < kThreads * kRowsEach; ++row) {
    std::string name = services.ListGetCellText(kList, row, 0);
    int t = name[1] - '0';
    EXPECT_EQ(name, "t" + std::to_string(t) + "-" + std::to_string(next[t])) << "row " << row;
    ++next[t];
  }
  EXPECT_TRUE(events.empty()) << "ticks set from code raise no RowCheckChanged";
}

TEST_F(QtWindowServicesTest, TheViewCatchesUpWithRowsAndChangesMadeFromCode) {
  AddRows(1);
  window->show();
  services.ListAppendRow(kList, "2");
  services.ListSetCellText(kList, 0, 1, Gbk("新标题"));
  services.ListSetRowCheck(kList, 0, 1);
  // The routines see their writes at once; the view within a batch.
  EXPECT_EQ(services.ListRowCount(kList), 2);
  EXPECT_EQ(services.ListGetCellText(kList, 0, 1), Gbk("新标题"));
  std::vector<int> changedRows;
  QObject::connect(list->Rows(), &QAbstractItemModel::dataChanged, list,
                   [&](const QModelIndex& from, const QModelIndex& to) {
                     for (int r = from.row(); r <= to.row(); ++r) changedRows.push_back(r);
                   });
  EXPECT_TRUE(WaitUntil([&] { return list->model()->rowCount() == 2; }, 2000));
  EXPECT_EQ(list->model()->index(1, 0).data().toString(), Q("2"));
  EXPECT_EQ(list->model()->index(0, 1).data().toString(), Q("新标题"));
  EXPECT_EQ(list->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(changedRows, std::vector<int>{0});
  // Emptying the list empties the view at once, pending rows included.
  services.ListAppendRow(kList, "3");
  services.ListDeleteAllRows(kList);
  EXPECT_EQ(list->model()->rowCount(), 0);
  Settle(60);
  EXPECT_EQ(list->model()->rowCount(), 0);
}

TEST_F(QtWindowServicesTest, TickByMouseRaisesOneQueuedEventWithTheStateReadWhenHandled) {
  AddRows(3);
  window->show();
  QRect boxRect = list->CheckBoxRect(1);
  ASSERT_TRUE(boxRect.isValid());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, boxRect.center());
  EXPECT_EQ(services.ListGetRowCheck(kList, 1), 1);
  Settle();
  ASSERT_EQ(events, (std::vector<std::pair<int, int>>{{1, 1}}));

  // Unticked again by hand, then ticked from code before the event is handled:
  // the handler sees the state as it is then.
  events.clear();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, boxRect.center());
  services.ListSetRowCheck(kList, 1, 1);
  Settle();
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{1, 1}}));

  // A click on a row's text highlights it and ticks nothing.
  events.clear();
  QRect title = list->visualRect(list->Rows()->index(2, 1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, title.center());
  Settle();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(services.ListGetRowCheck(kList, 2), 0);
  EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
}

TEST_F(QtWindowServicesTest, SpaceOnTheFocusedRowTicksItWhicheverCellHasFocus) {
  AddRows(3);
  window->show();
  list->setFocus();
  for (int column : {0, 3}) {
    events.clear();
    list->setCurrentIndex(list->Rows()->index(2, column));
    int before = services.ListGetRowCheck(kList, 2);
    QTest::keyClick(list, Qt::Key_Space);
    Settle();
    EXPECT_EQ(services.ListGetRowCheck(kList, 2), 1 - before) << "column " << column;
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{2, 1 - before}})) << "column " << column;
  }
}

TEST_F(QtWindowServicesTest, TicksSetFromCodeRaiseNone) {
  AddRows(2);
  services.ListSetRowCheck(kList, 0, 1);
  RunOnWorkers(1, [](int) {
    ListSetRowCheck(Control::超级列表框1, 1, 1);
    ListSetRowCheck(Control::超级列表框1, 0, 0);
  });
  Settle();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(services.ListGetRowCheck(kList, 0), 0);
}

TEST_F(QtWindowServicesTest, BadRowsAndColumnsAndMissingControlsAreHarmless) {
  AddRows(2);
  struct Case {
    int row;
    int column;
  };
  for (Case c : {Case{-1, 0}, Case{2, 0}, Case{99, 1}, Case{0, -1}, Case{0, 5}, Case{1, 99}}) {
    SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.column));
    services.ListSetCellText(kList, c.row, c.column, "x");
    EXPECT_EQ(services.ListGetCellText(kList, c.row, c.column), "");
    if (c.row < 0 || c.row >= 2) services.ListSetRowCheck(kList, c.row, 1);
    services.ListEnsureVisible(kList, c.row);
  }
  EXPECT_EQ(services.ListGetRowCheck(kList, -1), -1);
  EXPECT_EQ(services.ListGetRowCheck(kList, 2), -1);
  EXPECT_EQ(services.ListGetRowCheck(kList, 0), 0);
  EXPECT_EQ(services.ListGetRowCheck(kList, 1), 0);
  // A control with no widget behind it.
  EXPECT_EQ(services.ListRowCount(Control::按钮1), 0);
  EXPECT_EQ(services.ListAppendRow(Control::按钮1, "x"), -1);
  EXPECT_EQ(services.ListGetRowCheck(Control::按钮1, 0), -1);
  EXPECT_EQ(services.GetCaption(Control::按钮1), "");
  services.SetCaption(Control::按钮1, "x");
  services.UnloadWindow(Control::按钮1);
  // A destroyed widget drops out.
  delete button;
  EXPECT_EQ(services.GetCaption(Control::按钮获取所有回答记录), "");
  services.SetEnabled(Control::按钮获取所有回答记录, false);
}

TEST_F(QtWindowServicesTest, TextsCrossTheWidgetBoundaryAsGbk) {
  // Cells keep their bytes exactly, even ones GBK has no character for.
  const Text odd = std::string("\x81\x30") + Gbk("问题") + "\xff";
  AddRows(1);
  services.ListSetCellText(kList, 0, 1, odd);
  EXPECT_EQ(services.ListGetCellText(kList, 0, 1), odd);
  // A text ends at its first zero byte.
  services.ListSetCellText(kList, 0, 2,
                           std::string("12\0"
                                       "34",
                                       5));
  EXPECT_EQ(services.ListGetCellText(kList, 0, 2), "12");
  services.ListSetCellText(kList, 0, 3, Gbk("问题标题"));
  EXPECT_EQ(list->Rows()->index(0, 3).data().toString(), Q("问题标题"));

  services.SetCaption(Control::分组框1, Gbk("回答记录列表(3/25)"));
  EXPECT_EQ(group->title(), Q("回答记录列表(3/25)"));
  EXPECT_EQ(services.GetCaption(Control::分组框1), Gbk("回答记录列表(3/25)"));
  services.SetCaption(Control::按钮获取所有回答记录, Gbk("获取中..."));
  EXPECT_EQ(button->text(), Q("获取中..."));
  edit->setText(Q("关键字 two"));
  EXPECT_EQ(services.GetEditText(Control::编辑框关键字), Gbk("关键字 two"));
  box->setChecked(true);
  EXPECT_EQ(services.GetChecked(Control::选择框全选反选), 1);
  services.SetEnabled(Control::按钮获取所有回答记录, false);
  EXPECT_FALSE(button->isEnabled());
  EXPECT_FALSE(services.IsEnabled(Control::按钮获取所有回答记录));
}

TEST_F(QtWindowServicesTest, ProgressGivesBackWhatWasSetAndShowsItClamped) {
  struct Case {
    int maximum;
    int position;
    int shown;
  };
  for (Case c : {Case{10, 3, 3}, Case{2, 5, 2}, Case{0, 1, 0}, Case{-1, 1, 0}, Case{5, -2, 0}}) {
    services.SetProgressPosition(Control::进度条1, 0);
    services.SetProgressMaximum(Control::进度条1, c.maximum);
    services.SetProgressPosition(Control::进度条1, c.position);
    EXPECT_EQ(services.GetProgressPosition(Control::进度条1), c.position);
    EXPECT_EQ(services.GetProgressMaximum(Control::进度条1), c.maximum);
    EXPECT_EQ(bar->value(), c.shown) << c.maximum << " " << c.position;
  }
}

TEST_F(QtWindowServicesTest, ProcessPendingMessagesOffTheGuiThreadReturnsAtOnce) {
  // The GUI thread runs no loop while it waits here: a call that needed it would hang.
  auto done = std::async(std::launch::async, [] { ProcessPendingMessages(); });
  EXPECT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  // On the GUI thread it handles what is waiting.
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  services.ProcessPendingMessages();
  EXPECT_TRUE(ran);
}

TEST_F(QtWindowServicesTest, AfterShutdownWorkersNoLongerWaitForTheLoop) {
  AddRows(2);
  services.Shutdown();
  auto call = std::async(std::launch::async, [] {
    SetCaption(Control::分组框1, "x");
    return Window().GetCaption(Control::分组框1).empty() ? ListRowCount(Control::超级列表框1) : -1;
  });
  ASSERT_EQ(call.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  // Widgets answer nothing any more; the rows, kept apart from the widgets, still do.
  EXPECT_EQ(call.get(), 2);
  // The GUI thread itself still acts directly.
  EXPECT_EQ(services.ListRowCount(kList), 2);
}

class CloseCounter : public QWidget {
 public:
  int closeRequests = 0;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++closeRequests;
    event->accept();
  }
};

TEST_F(QtWindowServicesTest, ModalLoadDisablesTheOwnerAndUnloadEndsItWithoutACloseRequest) {
  QPointer<CloseCounter> dialog;
  int made = 0;
  services.SetWindowFactory(Control::LoginWindow, [&] {
    ++made;
    dialog = new CloseCounter();
    return dialog.data();
  });
  bool ownerDisabledMeanwhile = false;
  bool dialogModal = false;
  std::thread unloader;
  QTimer::singleShot(0, [&] {
    ownerDisabledMeanwhile = !window->isEnabled();
    dialogModal = dialog && dialog->isVisible() && dialog->isModal();
    // Destroyed from another thread, as any service may be called.
    unloader = std::thread([] { UnloadWindow(Control::LoginWindow); });
  });
  services.LoadWindowModal(Control::LoginWindow, Control::MainWindow);
  unloader.join();
  Settle();
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(ownerDisabledMeanwhile);
  EXPECT_TRUE(dialogModal);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_TRUE(dialog.isNull()) << "the window is destroyed";
  EXPECT_EQ(services.Widget(Control::LoginWindow), nullptr);
}

}  // namespace
