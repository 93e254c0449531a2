#include "selection/selection.h"

#include <gtest/gtest.h>

#include "platform/memory_window_services.h"
#include "text/fixed_texts.h"

namespace {

Text G(const char* utf8) { return GbkFromUtf8(utf8); }

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallWindowServices(&window);
    window.SetRowCheckChangedHandler(OnRowCheckChanged);
    SelectionCount = 0;
  }
  void TearDown() override { InstallWindowServices(nullptr); }

  void AddRows(const std::vector<Text>& titles, const std::string& ticks = {}) {
    for (size_t i = 0; i < titles.size(); ++i) {
      int row = window.ListAppendRow(Control::超级列表框1, DecimalText(static_cast<long long>(i) + 1));
      window.ListSetCellText(Control::超级列表框1, row, 1, titles[i]);
      if (i < ticks.size() && ticks[i] == 'x') window.ListSetRowCheck(Control::超级列表框1, row, 1);
    }
  }
  std::string Ticks() {
    std::string out;
    for (const auto& row : window.Rows()) out += row.check == 1 ? 'x' : '.';
    return out;
  }
  std::string Caption() { return Utf8FromGbk(window.GetCaption(Control::分组框1)); }

  MemoryWindowServices window;
};

struct KeywordCase {
  const char* name;
  const char* keywordText;  // UTF-8, turned into GBK
  std::vector<const char*> titles;
  std::string ticksBefore;
  int countBefore;
  std::string ticksAfter;
  int countAfter;
  const char* caption;  // "" when the caption must stay unwritten
};

TEST_F(SelectionTest, SelectByKeywordCases) {
  const KeywordCase cases[] = {
      {"one keyword", "手机", {"手机没电了", "电脑坏了", "我的手机"}, "...", 0, "x.x", 2, "回答记录列表(2/3)"},
      {"two keywords on one title count once", "手机,电脑", {"手机和电脑", "电脑", "书"}, "...", 0, "xx.", 2,
       "回答记录列表(2/3)"},
      {"already ticked rows are not counted again", "手机", {"手机", "手机"}, "x.", 1, "xx", 2, "回答记录列表(2/2)"},
      {"single comma: one empty piece ticks every non-empty title", ",", {"a", "", "b"}, "...", 0, "x.x", 2,
       "回答记录列表(2/3)"},
      {"leading comma adds an empty piece", ",zzz", {"a", "b"}, "..", 0, "xx", 2, "回答记录列表(2/2)"},
      {"doubled comma adds an empty piece", "zzz,,yyy", {"a"}, ".", 0, "x", 1, "回答记录列表(1/1)"},
      {"trailing comma adds no piece", "ab,", {"ab", "cd"}, "..", 0, "x.", 1, "回答记录列表(1/2)"},
      {"leading space must be in the title", " Python", {"Python入门", "学 Python"}, "..", 0, ".x", 1,
       "回答记录列表(1/2)"},
      {"letter case matters", "python", {"Python", "python"}, "..", 0, ".x", 1, "回答记录列表(1/2)"},
      {"full-width comma does not split", "手机，电脑", {"手机", "电脑", "手机，电脑"}, "...", 0, "..x", 1,
       "回答记录列表(1/3)"},
      {"no match across a character boundary", "兄", {"中中"}, ".", 0, ".", 0, ""},
      {"nothing matches: nothing changes", "zzz", {"a", "b"}, "x.", 5, "x.", 5, ""},
      {"count may have drifted: it is only added to", "a", {"a"}, ".", -1, "x", 0, "回答记录列表(0/1)"},
      {"empty keyword box does nothing", "", {"a"}, ".", 0, ".", 0, ""},
      {"empty list does nothing", "a", {}, "", 0, "", 0, ""},
  };
  for (const KeywordCase& c : cases) {
    SCOPED_TRACE(c.name);
    window.ListDeleteAllRows(Control::超级列表框1);
    window.SetCaption(Control::分组框1, Text());
    std::vector<Text> titles;
    for (const char* t : c.titles) titles.push_back(G(t));
    AddRows(titles, c.ticksBefore);
    SelectionCount = c.countBefore;
    window.SetEditText(Control::编辑框关键字, G(c.keywordText));
    window.TakeLog();

    SelectByKeyword();

    EXPECT_EQ(Ticks(), c.ticksAfter);
    EXPECT_EQ(SelectionCount.load(), c.countAfter);
    EXPECT_EQ(Caption(), c.caption);
    auto log = window.TakeLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "SetEnabled 按钮一键选中 0");
    EXPECT_EQ(log.back(), "SetEnabled 按钮一键选中 1");
  }
}

TEST_F(SelectionTest, ToggleSelectAllTicksAndClearsEveryRow) {
  window.SetChecked(Control::选择框全选反选, 1);
  ToggleSelectAll();
  EXPECT_EQ(SelectionCount.load(), 0);
  EXPECT_EQ(Caption(), "回答记录列表(0/0)");

  AddRows({G("a"), G("b"), G("c")}, ".x.");
  ToggleSelectAll();
  EXPECT_EQ(Ticks(), "xxx");
  EXPECT_EQ(SelectionCount.load(), 3);
  EXPECT_EQ(Caption(), "回答记录列表(3/3)");

  // Untick one by hand: the queued event counts it down.
  window.ClickRowCheckBox(1);
  window.RunQueuedEvents();
  EXPECT_EQ(SelectionCount.load(), 2);
  EXPECT_EQ(Caption(), "回答记录列表(2/3)");

  window.SetChecked(Control::选择框全选反选, 0);
  ToggleSelectAll();
  EXPECT_EQ(Ticks(), "...");
  EXPECT_EQ(SelectionCount.load(), 0);
  EXPECT_EQ(Caption(), "回答记录列表(0/3)");
}

TEST_F(SelectionTest, HandTicksMoveTheCountAndMayGoNegative) {
  AddRows({G("a"), G("b")}, "x.");
  // A fetch or hide may have reset the count while rows stay ticked.
  SelectionCount = 0;
  window.ClickRowCheckBox(0);  // untick
  window.RunQueuedEvents();
  EXPECT_EQ(SelectionCount.load(), -1);
  EXPECT_EQ(Caption(), "回答记录列表(-1/2)");

  // The state is read when the event is handled, not when the click happened.
  window.ClickRowCheckBox(1);
  window.ListSetRowCheck(Control::超级列表框1, 1, 0);
  window.RunQueuedEvents();
  EXPECT_EQ(SelectionCount.load(), -2);

  // A state of -1 (no check box) leaves the count alone but still writes the caption.
  OnRowCheckChanged(0, -1);
  EXPECT_EQ(SelectionCount.load(), -2);
  EXPECT_EQ(Caption(), "回答记录列表(-2/2)");
}

}  // namespace
