#include "harvest/fetch_all_answers.h"

#include <gtest/gtest.h>

#include <chrono>

#include "selection/selection.h"
#include "support/site_fixture.h"
#include "text/fixed_texts.h"

namespace {

Text G(const char* utf8) { return GbkFromUtf8(utf8); }

class FetchTest : public SiteFixture {
 protected:
  std::string Caption(Control c) { return Utf8FromGbk(window.GetCaption(c)); }

  // Every row as the account's answers say it should read, in order.
  void ExpectRowsMatch(const std::vector<site::Answer>& answers) {
    auto rows = window.Rows();
    ASSERT_EQ(rows.size(), answers.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(rows[i].cells[0], DecimalText(static_cast<long long>(i) + 1));
      EXPECT_EQ(rows[i].cells[1], answers[i].title);
      EXPECT_EQ(rows[i].cells[2], answers[i].id);
      EXPECT_EQ(rows[i].cells[3], answers[i].checkCode);
      EXPECT_EQ(rows[i].cells[4], fixed::StatusFetched());
      EXPECT_EQ(rows[i].check, 0);
    }
  }

  void ExpectButtonsBack() {
    EXPECT_TRUE(window.IsEnabled(Control::按钮获取所有回答记录));
    EXPECT_TRUE(window.IsEnabled(Control::按钮隐藏选中回答记录));
    EXPECT_EQ(window.GetCaption(Control::按钮获取所有回答记录), fixed::FetchCaption());
  }
};

TEST_F(FetchTest, AccountsOfManySizes) {
  for (int n : {0, 25, 61, 10000}) {
    SCOPED_TRACE(n);
    site.ClearRequests();
    auto account = site::StandInSite::GenerateAccount("user" + std::to_string(n), "pw", n);
    LogIn(account);

    FetchAllAnswers();

    ExpectRowsMatch(account.answers);
    ExpectButtonsBack();
    const int pages = (n + 24) / 25;
    // Two requests for every page of answers, one for the page with the end marker.
    EXPECT_EQ(RequestsTo("/uhome/answer").size(), static_cast<size_t>(2 * pages + 1));
    if (n == 0) {
      EXPECT_EQ(Caption(Control::分组框1), "");  // the end marker came first: no page was counted
    } else {
      EXPECT_EQ(Caption(Control::分组框1), "回答记录列表(" + std::to_string(n) + ")");
    }
  }
}

TEST_F(FetchTest, RunDisablesButtonsAndAsksForPagesInSteps) {
  LogIn(site::StandInSite::GenerateAccount("u", "pw", 30));
  window.TakeLog();
  FetchAllAnswers();
  auto log = window.TakeLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "ListDeleteAllRows 超级列表框1");
  EXPECT_EQ(log[1], "SetEnabled 按钮获取所有回答记录 0");
  EXPECT_EQ(log[2], "SetEnabled 按钮隐藏选中回答记录 0");
  EXPECT_EQ(log[3], "SetCaption 按钮获取所有回答记录 获取中...");
  std::vector<std::string> lines;
  for (const auto& r : RequestsTo("/uhome/answer")) lines.push_back(r.requestLine);
  const std::vector<std::string> expected = {
      "GET /uhome/answer?filter=1&pn=0 HTTP/1.0",  "GET /uhome/answer?filter=1&pn=0 HTTP/1.0",
      "GET /uhome/answer?filter=1&pn=25 HTTP/1.0", "GET /uhome/answer?filter=1&pn=25 HTTP/1.0",
      "GET /uhome/answer?filter=1&pn=50 HTTP/1.0"};
  EXPECT_EQ(lines, expected);
}

TEST_F(FetchTest, PageWithBrokenDelimiterAddsNoRowWhileLaterPagesDo) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 60);
  LogIn(account);
  // Both requests for the first page get a title without its right delimiter.
  site::Fault fault;
  fault.kind = site::FaultKind::WrongCounts;
  fault.times = 2;
  site.SetFault("/uhome/answer", fault);

  FetchAllAnswers();

  auto rows = window.Rows();
  ASSERT_EQ(rows.size(), 35u);
  EXPECT_EQ(rows[0].cells[2], account.answers[25].id);
  EXPECT_EQ(rows[0].cells[0], "1");
  EXPECT_EQ(Caption(Control::分组框1), "回答记录列表(35)");
}

TEST_F(FetchTest, TitlesAreStoredByteForByte) {
  site::Account account = site::StandInSite::GenerateAccount("u", "pw", 3);
  account.answers[0].title = "a &lt;b&gt; &amp; &#20013; <i>x</i>";
  account.answers[1].title = G("中文　标题 ，全角");
  account.answers[2].title = " spaced  ";
  LogIn(account);
  FetchAllAnswers();
  ExpectRowsMatch(account.answers);
}

TEST_F(FetchTest, SecondRunClearsRowsAndKeepsSelectionCount) {
  LogIn(site::StandInSite::GenerateAccount("u", "pw", 30));
  FetchAllAnswers();
  window.ListSetRowCheck(Control::超级列表框1, 0, 1);
  SelectionCount = 7;
  FetchAllAnswers();
  auto rows = window.Rows();
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_EQ(rows[0].check, 0);
  EXPECT_EQ(SelectionCount.load(), 7);
  // The first hand tick afterwards shows as the old count plus one.
  window.SetRowCheckChangedHandler(OnRowCheckChanged);
  window.ClickRowCheckBox(3);
  window.RunQueuedEvents();
  EXPECT_EQ(Caption(Control::分组框1), "回答记录列表(8/30)");
  SelectionCount = 0;
}

TEST_F(FetchTest, WithoutSessionTheEndMarkerComesAtOnce) {
  site.AddAccount(site::StandInSite::GenerateAccount("u", "pw", 30));
  FetchAllAnswers();
  EXPECT_TRUE(window.Rows().empty());
  EXPECT_EQ(RequestsTo("/uhome/answer").size(), 1u);
  ExpectButtonsBack();
}

// Sites that never send the end marker: every run ends, with the buttons back.
TEST_F(FetchTest, RunEndsWhenTheSiteNeverSendsTheEndMarker) {
  LogIn(site::StandInSite::GenerateAccount("u", "pw", 1000));
  struct Case {
    const char* name;
    site::FaultKind kind;
    size_t maxRequests;
  };
  const Case cases[] = {
      // Every page broken: ends after a run of fruitless pages.
      {"counts always disagree", site::FaultKind::WrongCounts, 2 * kMaxFruitlessPages},
      // Error pages hold neither the marker nor answers.
      {"error status", site::FaultKind::ErrorStatus, 2 * kMaxFruitlessPages},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site.ClearRequests();
    site::Fault fault;
    fault.kind = c.kind;
    site.SetFault("/uhome/answer", fault);
    FetchAllAnswers();
    EXPECT_TRUE(window.Rows().empty());
    EXPECT_EQ(RequestsTo("/uhome/answer").size(), c.maxRequests);
    ExpectButtonsBack();
  }
}

TEST_F(FetchTest, RefusedConnectionsEndTheRunAtOnce) {
  const int port = site.Port();
  site.Stop();
  SetSite(LocalSiteConfig(port));
  const auto start = std::chrono::steady_clock::now();
  FetchAllAnswers();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(window.Rows().empty());
  ExpectButtonsBack();
}

TEST_F(FetchTest, StalledPageEndsTheRun) {
  LogIn(site::StandInSite::GenerateAccount("u", "pw", 30));
  SetSimpleGetStallSeconds(1);
  site::Fault fault;
  fault.kind = site::FaultKind::Stall;
  site.SetFault("/uhome/answer", fault);
  FetchAllAnswers();
  SetSimpleGetStallSeconds(30);
  EXPECT_TRUE(window.Rows().empty());
  ExpectButtonsBack();
}

}  // namespace
