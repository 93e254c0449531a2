#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <mutex>
#include <vector>

#include "gui_test_support.h"
#include "platform/qt/answer_list_view.h"
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "selection/selection.h"

namespace {

constexpr Control kList = Control::超级列表框1;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSite(LocalSiteConfig(9));  // nothing is opened for real: the opener below records
    SetBrowserOpener([this](const Text& url) {
      std::lock_guard lock(mutex);
      opened.push_back(url);
    });
    InstallWindowServices(&services);
    window = std::make_unique<MainWindow>(services);
  }
  void TearDown() override {
    window.reset();
    InstallWindowServices(nullptr);
    SetBrowserOpener(nullptr);
    SetSite(SiteConfig{});
  }
  template <typename W>
  W* Find(Control control) {
    return qobject_cast<W*>(services.Widget(control));
  }

  QtWindowServices services;
  std::unique_ptr<MainWindow> window;
  std::mutex mutex;
  std::vector<Text> opened;
};

TEST_F(MainWindowTest, WindowIsFixedCentredAndTitled) {
  EXPECT_EQ(window->windowTitle(), Q("Quillmere"));
  // Outer 610 x 515 with a 3-pixel border and a 19-pixel caption.
  EXPECT_EQ(window->size(), QSize(604, 490));
  EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
  Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(window->pos(),
            QPoint(screen.left() + (screen.width() - 610) / 2, screen.top() + (screen.height() - 515) / 2));
}

TEST_F(MainWindowTest, EveryControlSitsWhereTheLayoutPutsIt) {
  struct Row {
    Control control;
    QRect geometry;
    const char* text;
  };
  const Row layout[] = {
      {Control::超级链接框1, {104, 14, 192, 16}, ">>>> 点此查看软件使用说明 <<<<"},
      {Control::超级链接框2, {359, 14, 216, 16}, ">>>> 更多相关网络推广软件下载 <<<<"},
      {Control::分组框1, {11, 16, 581, 384}, "回答记录列表"},
      {Control::超级列表框1, {7, 16, 566, 360}, ""},
      {Control::选择框全选反选, {11, 403, 74, 20}, "全选/反选"},
      {Control::进度条1, {92, 408, 500, 9}, ""},
      {Control::标签1, {11, 436, 137, 32}, "选中包含该关键字的项目:"},
      {Control::编辑框关键字, {152, 441, 120, 24}, ""},
      {Control::按钮一键选中, {279, 436, 81, 32}, "一键选中"},
      {Control::按钮获取所有回答记录, {372, 436, 104, 32}, "获取所有回答记录"},
      {Control::按钮隐藏选中回答记录, {488, 436, 104, 32}, "隐藏选中回答记录"},
  };
  for (const Row& row : layout) {
    SCOPED_TRACE(ControlName(row.control));
    QWidget* w = services.Widget(row.control);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), row.geometry);
    EXPECT_EQ(services.GetCaption(row.control), Gbk(row.text));
    EXPECT_TRUE(w->isEnabled());
  }
  EXPECT_EQ(services.Widget(kList)->parentWidget(), services.Widget(Control::分组框1));
  EXPECT_EQ(services.Widget(Control::选择框全选反选)->parentWidget(), window.get());
  EXPECT_FALSE(Find<QProgressBar>(Control::进度条1)->isTextVisible());
}

TEST_F(MainWindowTest, ListHasFiveFixedColumnsAndTheReportSettings) {
  auto* list = Find<AnswerListView>(kList);
  ASSERT_NE(list, nullptr);
  const std::pair<const char*, int> columns[] = {
      {"ID", 50}, {"问题标题", 200}, {"答案编号", 100}, {"效验码", 100}, {"处理状态", 100}};
  ASSERT_EQ(list->model()->columnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), Q(columns[c].first));
    EXPECT_EQ(list->columnWidth(c), columns[c].second);
  }
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(list->showGrid());
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_FALSE(list->verticalHeader()->isVisible());
  EXPECT_TRUE(list->horizontalHeader()->sectionsClickable());
  EXPECT_FALSE(list->horizontalHeader()->sectionsMovable());
  services.ListAppendRow(kList, "1");
  list->Rows()->Flush();
  QModelIndex first = list->model()->index(0, 0);
  EXPECT_TRUE(list->model()->flags(first) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(list->model()->flags(first) & Qt::ItemIsEditable);
  EXPECT_EQ(services.ListGetRowCheck(kList, 0), 0);
}

TEST_F(MainWindowTest, ClickingAColumnHeaderChangesNothing) {
  auto* list = Find<AnswerListView>(kList);
  std::vector<int> events;
  services.SetRowCheckChangedHandler([&](int row, int) { events.push_back(row); });
  const char* titles[] = {"丙", "甲", "乙"};
  for (int i = 0; i < 3; ++i) {
    int row = services.ListAppendRow(kList, DecimalText(3 - i));
    services.ListSetCellText(kList, row, 1, Gbk(titles[i]));
  }
  services.ListSetRowCheck(kList, 2, 1);
  list->Rows()->Flush();
  list->selectRow(1);
  window->show();
  auto snapshot = [&] {
    std::vector<std::string> cells;
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 5; ++c) cells.push_back(services.ListGetCellText(kList, r, c));
      cells.push_back(std::to_string(services.ListGetRowCheck(kList, r)));
    }
    return cells;
  };
  auto before = snapshot();
  QHeaderView* header = list->horizontalHeader();
  for (int c = 0; c < 5; ++c) {
    QPoint middle(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    Settle();
    SCOPED_TRACE(c);
    EXPECT_EQ(snapshot(), before);
    ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list->selectionModel()->selectedRows()[0].row(), 1);
    EXPECT_EQ(list->columnWidth(c), header->sectionSize(c));
    EXPECT_FALSE(header->isSortIndicatorShown()) << "no sort order is offered either";
  }
  EXPECT_TRUE(events.empty());
}

TEST_F(MainWindowTest, ClosingOpensTheHomePageOnceAndAlwaysCloses) {
  for (int run = 0; run < 2; ++run) {
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
  }
  EXPECT_EQ(opened, (std::vector<Text>{Site().homePage, Site().homePage})) << "once per close";
}

TEST_F(MainWindowTest, HyperlinksOpenTheirPagesInTheUsersBrowser) {
  window->show();
  for (auto [control, page] :
       {std::pair{Control::超级链接框1, Site().helpPage}, std::pair{Control::超级链接框2, Site().downloadsPage}}) {
    opened.clear();
    auto* label = Find<QLabel>(control);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(30, label->height() / 2));
    Settle();
    EXPECT_EQ(opened, std::vector<Text>{page}) << ControlName(control);
  }
}

TEST_F(MainWindowTest, HandTicksInTheListReachTheSelectionHandlerQueued) {
  // The window wires the list to OnRowCheckChanged; a test handler stands in here.
  auto* list = Find<AnswerListView>(kList);
  std::vector<std::pair<int, int>> events;
  services.SetRowCheckChangedHandler([&](int row, int state) { events.emplace_back(row, state); });
  services.ListAppendRow(kList, "1");
  window->show();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CheckBoxRect(0).center());
  EXPECT_TRUE(events.empty()) << "queued, not run inside the click";
  Settle();
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST_F(MainWindowTest, SelectionControlsRunTheirHandlersOnTheGuiThread) {
  // The window as built, with the real selection handlers behind it.
  auto* list = Find<AnswerListView>(kList);
  SelectionCount = 0;
  const char* titles[] = {"甲乙", "丙", "甲"};
  for (const char* title : titles) {
    int row = services.ListAppendRow(kList, DecimalText(services.ListRowCount(kList) + 1));
    services.ListSetCellText(kList, row, 1, Gbk(title));
  }
  window->show();
  auto ticks = [&] {
    std::vector<int> states;
    for (int r = 0; r < 3; ++r) states.push_back(services.ListGetRowCheck(kList, r));
    return states;
  };

  QTest::mouseClick(services.Widget(Control::选择框全选反选), Qt::LeftButton);
  EXPECT_EQ(ticks(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(services.GetCaption(Control::分组框1), Gbk("回答记录列表(3/3)"));
  QTest::mouseClick(services.Widget(Control::选择框全选反选), Qt::LeftButton);
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 0}));

  Find<QLineEdit>(Control::编辑框关键字)->setText(Q("甲"));
  QTest::mouseClick(services.Widget(Control::按钮一键选中), Qt::LeftButton);
  EXPECT_EQ(ticks(), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(services.GetCaption(Control::分组框1), Gbk("回答记录列表(2/3)"));

  // A tick by hand reaches OnRowCheckChanged once the click is over.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CheckBoxRect(1).center());
  Settle();
  EXPECT_EQ(services.GetCaption(Control::分组框1), Gbk("回答记录列表(3/3)"));
  SelectionCount = 0;
}

}  // namespace
