#include "hide/hide_selected_answers.h"

#include <gtest/gtest.h>

#include "harvest/fetch_all_answers.h"
#include "http/web_access.h"
#include "selection/selection.h"
#include "support/raw_http_server.h"
#include "support/site_fixture.h"
#include "text/fixed_texts.h"

namespace {

class HideTest : public SiteFixture {
 protected:
  void TearDown() override {
    SelectionCount = 0;
    SiteFixture::TearDown();
  }

  // Rows as a fetch leaves them, with the given ticks ("x" ticked).
  void FetchAndTick(const site::Account& account, const std::string& ticks) {
    LogIn(account);
    FetchAllAnswers();
    ASSERT_EQ(window.Rows().size(), account.answers.size());
    int count = 0;
    for (size_t i = 0; i < ticks.size(); ++i) {
      if (ticks[i] == 'x') {
        window.ListSetRowCheck(Control::超级列表框1, static_cast<int>(i), 1);
        ++count;
      }
    }
    SelectionCount = count;
    site.ClearRequests();
  }

  std::vector<std::string> Statuses() {
    std::vector<std::string> out;
    for (const auto& row : window.Rows()) out.push_back(Utf8FromGbk(row.cells[4]));
    return out;
  }
  std::vector<std::string> HideBodies() {
    std::vector<std::string> out;
    for (const auto& r : RequestsTo("/submit/user")) out.push_back(r.body);
    return out;
  }
  std::string GroupCaption() { return Utf8FromGbk(window.GetCaption(Control::分组框1)); }
  int BarPosition() { return window.GetProgressPosition(Control::进度条1); }
};

std::string Body(const site::Answer& a) { return "cm=100121&co=" + a.id + "+" + a.checkCode; }

TEST_F(HideTest, ThreeTickedRowsWithTheSecondFailing) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 4);
  account.answers[1].checkCode = "right";
  FetchAndTick(account, "xxx.");
  // The site now knows another check code for the second answer: its hide fails.
  window.ListSetCellText(Control::超级列表框1, 1, 3, "wrong");

  HideSelectedAnswers();

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"隐藏成功", "隐藏失败", "隐藏成功", "获取成功"}));
  EXPECT_EQ(BarPosition(), 2);
  EXPECT_EQ(window.GetProgressMaximum(Control::进度条1), 3);
  EXPECT_EQ(GroupCaption(), "回答记录列表(2/3)");
  EXPECT_EQ(SelectionCount.load(), 0);
  // Only ticked rows, in row order, one request each.
  EXPECT_EQ(HideBodies(), (std::vector<std::string>{Body(account.answers[0]), "cm=100121&co=" + account.answers[1].id +
                                                                                 "+wrong",
                                                    Body(account.answers[2])}));
  EXPECT_TRUE(window.IsEnabled(Control::按钮隐藏选中回答记录));
  EXPECT_TRUE(window.IsEnabled(Control::按钮获取所有回答记录));
  EXPECT_EQ(window.GetCaption(Control::按钮隐藏选中回答记录), fixed::HideCaption());
  // The rows keep their ticks.
  auto rows = window.Rows();
  EXPECT_EQ(rows[0].check + rows[1].check + rows[2].check, 3);

  // A second run keeps the bar where it was and sends every ticked row again.
  window.SetRowCheckChangedHandler(OnRowCheckChanged);
  window.ClickRowCheckBox(3);
  window.RunQueuedEvents();
  ASSERT_EQ(SelectionCount.load(), 1);
  site.ClearRequests();

  HideSelectedAnswers();

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"隐藏失败", "隐藏失败", "隐藏失败", "隐藏成功"}));
  EXPECT_EQ(BarPosition(), 3);
  EXPECT_EQ(window.GetProgressMaximum(Control::进度条1), 1);
  EXPECT_EQ(GroupCaption(), "回答记录列表(3/1)");
  EXPECT_EQ(HideBodies().size(), 4u);
  // The hidden answers are gone from the site's list.
  window.ListDeleteAllRows(Control::超级列表框1);
  FetchAllAnswers();
  ASSERT_EQ(window.Rows().size(), 1u);
  EXPECT_EQ(window.Rows()[0].cells[2], account.answers[1].id);
}

TEST_F(HideTest, NothingIsSentWithoutATick) {
  for (const char* ticks : {"", "..."}) {
    SCOPED_TRACE(ticks);
    window.ListDeleteAllRows(Control::超级列表框1);
    if (*ticks) FetchAndTick(site::StandInSite::GenerateAccount(std::string("u") + ticks, "pw", 3), ticks);
    window.SetCaption(Control::分组框1, "before");
    window.SetProgressPosition(Control::进度条1, 5);
    SelectionCount = 2;
    window.TakeLog();

    HideSelectedAnswers();
    auto log = window.TakeLog();

    EXPECT_TRUE(HideBodies().empty());
    EXPECT_EQ(window.GetCaption(Control::分组框1), "before");
    EXPECT_EQ(BarPosition(), 5);
    EXPECT_EQ(SelectionCount.load(), 0);
    for (const auto& row : window.Rows()) EXPECT_EQ(row.cells[4], fixed::StatusFetched());
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "SetEnabled 按钮隐藏选中回答记录 0");
    EXPECT_EQ(log[1], "SetEnabled 按钮获取所有回答记录 0");
    EXPECT_EQ(log[2], "SetCaption 按钮隐藏选中回答记录 隐藏中...");
    EXPECT_EQ(log.back(), "SetCaption 按钮隐藏选中回答记录 隐藏选中回答记录");
  }
}

TEST_F(HideTest, RowWithoutIdOrCheckCodeFailsWithoutARequest) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 3);
  FetchAndTick(account, "xxx");
  window.ListSetCellText(Control::超级列表框1, 0, 2, "");
  window.ListSetCellText(Control::超级列表框1, 1, 3, "");
  window.SetCaption(Control::分组框1, "before");

  HideSelectedAnswers();

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"隐藏失败", "隐藏失败", "隐藏成功"}));
  EXPECT_EQ(HideBodies(), std::vector<std::string>{Body(account.answers[2])});
  EXPECT_EQ(GroupCaption(), "回答记录列表(1/3)");
}

TEST_F(HideTest, CheckCodeGoesOutUnencoded) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 3);
  account.answers[0].checkCode = "a&b";
  account.answers[1].checkCode = "c+d";
  account.answers[2].checkCode = "e f";
  FetchAndTick(account, "xxx");

  HideSelectedAnswers();

  EXPECT_EQ(HideBodies(), (std::vector<std::string>{Body(account.answers[0]), Body(account.answers[1]),
                                                    Body(account.answers[2])}));
  EXPECT_EQ(Statuses(), (std::vector<std::string>{"隐藏成功", "隐藏成功", "隐藏成功"}));
}

TEST_F(HideTest, RequestCarriesTheEngineHeadersAndTheLogin) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 1);
  FetchAndTick(account, "x");
  HideSelectedAnswers();
  auto requests = RequestsTo("/submit/user");
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.requestLine, "POST /submit/user HTTP/1.1");
  const std::string url = "http://127.0.0.1:" + std::to_string(site.Port()) + "/submit/user";
  const std::string body = Body(account.answers[0]);
  // The cookie store's line comes right after the agent, the completed header text after it.
  const std::vector<std::string> order = {"Host",    "User-Agent",      "Cookie",       "Accept",
                                          "Referer", "Accept-Language", "Content-Type", "Content-Length"};
  std::vector<std::string> names;
  for (const auto& h : r.headers) names.push_back(h.first);
  EXPECT_EQ(names, order);
  std::vector<std::pair<std::string, std::string>> expected = {
      {"Host", "127.0.0.1:" + std::to_string(site.Port())},
      {"User-Agent", fixed::DefaultAgent()},
      {"Accept", fixed::DefaultAcceptLine().substr(8, fixed::DefaultAcceptLine().size() - 10)},
      {"Referer", url},
      {"Accept-Language", "zh-cn"},
      {"Content-Type", "application/x-www-form-urlencoded"},
      {"Content-Length", std::to_string(body.size())},
      {"Cookie", site.SessionCookieName() + "=" + site.Session(account.name)},
  };
  auto headers = r.headers;
  std::sort(headers.begin(), headers.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(headers, expected);
  EXPECT_EQ(r.body, body);
}

// Whatever goes wrong on the site, no row reads "隐藏成功" unless the site said so.
TEST_F(HideTest, SiteFailuresNeverReadAsSuccess) {
  struct Case {
    const char* name;
    site::FaultKind kind;
  };
  const Case cases[] = {
      {"connection reset mid-body", site::FaultKind::ResetMidBody},
      {"error status", site::FaultKind::ErrorStatus},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto account = site::StandInSite::GenerateAccount(std::string("u") + c.name, "pw", 2);
    window.ListDeleteAllRows(Control::超级列表框1);
    FetchAndTick(account, "xx");
    site::Fault fault;
    fault.kind = c.kind;
    site.SetFault("/submit/user", fault);

    HideSelectedAnswers();

    site.ClearFaults();
    EXPECT_EQ(HideBodies().size(), 2u);
    for (const auto& row : window.Rows()) EXPECT_NE(row.cells[4], fixed::StatusHidden());
  }
}

// A site that never answers: each row waits out the time-out and reads as failed;
// the run goes on with the next row.
TEST_F(HideTest, StalledSiteTimesOutEveryRow) {
  auto account = site::StandInSite::GenerateAccount("u", "pw", 3);
  FetchAndTick(account, "x.x");
  site::Fault fault;
  fault.kind = site::FaultKind::Stall;
  site.SetFault("/submit/user", fault);
  SetWebAccessDefaultTimeout(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();

  HideSelectedAnswers();

  const auto elapsed = std::chrono::steady_clock::now() - start;
  SetWebAccessDefaultTimeout(std::chrono::seconds(60));
  site.ClearFaults();
  EXPECT_EQ(Statuses(), (std::vector<std::string>{"隐藏失败", "获取成功", "隐藏失败"}));
  EXPECT_EQ(HideBodies(), (std::vector<std::string>{Body(account.answers[0]), Body(account.answers[2])}));
  EXPECT_EQ(BarPosition(), 0);
  EXPECT_EQ(GroupCaption(), "回答记录列表(0/2)");
  EXPECT_GE(elapsed, std::chrono::milliseconds(450));  // two time-outs of 300 ms, less timer slack
  EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// The reply must be the site's confirmation to the byte.
TEST(HideReplyTest, OnlyTheExactSuccessReplyCountsAsHidden) {
  MemoryWindowServices window;
  InstallWindowServices(&window);
  test_support::RawHttpServer server;
  SetSite(LocalSiteConfig(server.Port()));
  const std::string success = fixed::HideSuccessReply();
  struct Case {
    const char* name;
    std::string reply;
    const char* status;
  };
  const Case cases[] = {
      {"exact", success, "隐藏成功"},
      {"text after a zero byte is not read", success + std::string("\0junk", 5), "隐藏成功"},
      {"one space more", " " + success, "隐藏失败"},
      {"one space less", success.substr(1), "隐藏失败"},
      {"trailing line break", success + "\r\n", "隐藏失败"},
      {"trailing space", success + " ", "隐藏失败"},
      {"other error number", " { \"errorNo\" : \"2\" ,\"data\" : { \"cm\" : \"100121\"      } }", "隐藏失败"},
      {"empty", "", "隐藏失败"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.SetReply(test_support::ScriptedReply::Answer(c.reply));
    window.ListDeleteAllRows(Control::超级列表框1);
    int row = window.ListAppendRow(Control::超级列表框1, "1");
    window.ListSetCellText(Control::超级列表框1, row, 2, "123");
    window.ListSetCellText(Control::超级列表框1, row, 3, "abc");
    window.ListSetRowCheck(Control::超级列表框1, row, 1);
    window.SetProgressPosition(Control::进度条1, 0);
    SelectionCount = 1;

    HideSelectedAnswers();

    EXPECT_EQ(Utf8FromGbk(window.Rows()[0].cells[4]), c.status);
    EXPECT_EQ(window.GetProgressPosition(Control::进度条1), std::string(c.status) == "隐藏成功" ? 1 : 0);
  }
  // A reset in mid-reply of the exact text is a failure too.
  server.SetReply(test_support::ScriptedReply::ResetMidBody(success, 20));
  HideSelectedAnswers();
  EXPECT_EQ(Utf8FromGbk(window.Rows()[0].cells[4]), "隐藏失败");
  InstallWindowServices(nullptr);
}

}  // namespace
