#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/web_session.h"
#include "site/stand_in_site.h"
#include "site_test_support.h"
#include "text/fixed_texts.h"

namespace {

using site::Fault;
using site::FaultKind;
using site::StandInSite;
using site_test::Base;
using site_test::Between;
using Clock = std::chrono::steady_clock;

class SiteFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearCookies();
    SetSimpleGetStallSeconds(30);
    ASSERT_TRUE(server.Start());
    server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 60));
    site_test::LogIn(server, "alice");
  }
  void TearDown() override {
    server.Stop();
    SetSimpleGetStallSeconds(30);
    ClearCookies();
  }

  std::string PageUrl(int pn) { return Base(server) + fixed::AnswerPagePath() + std::to_string(pn); }
  std::string Cookie() { return server.SessionCookieName() + "=" + server.Session("alice"); }

  StandInSite server;
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST_F(SiteFaultsTest, LatencyDelaysTheNormalReply) {
  server.SetFault("/uhome/answer", {.kind = FaultKind::Latency, .milliseconds = 300});
  auto start = Clock::now();
  Bytes page = SimpleHttpGet(PageUrl(0));
  EXPECT_GE(SecondsSince(start), 0.3);
  EXPECT_EQ(Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight()).size(), 25u);
}

TEST_F(SiteFaultsTest, StallOutlastsAShortClientTimeOut) {
  const Bytes whole = server.AnswerPage(server.Session("alice"), 0);
  for (int bodyBytes : {-1, 0, 1000}) {
    SCOPED_TRACE(bodyBytes);
    server.SetFault("/uhome/answer", {.kind = FaultKind::Stall, .bodyBytes = bodyBytes});
    auto start = Clock::now();
    site_test::CurlReply reply = site_test::Fetch(PageUrl(0), nullptr, Cookie(), {}, 500);
    EXPECT_GE(SecondsSince(start), 0.45);  // the client gave up; the site never answered
    EXPECT_EQ(reply.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(reply.status, bodyBytes < 0 ? 0 : 200);  // the headers arrived or not
    EXPECT_EQ(reply.body, whole.substr(0, static_cast<size_t>(std::max(bodyBytes, 0))));
  }
  // The simple GET gives up after its stall time with nothing.
  server.SetFault("/uhome/answer", {.kind = FaultKind::Stall});
  SetSimpleGetStallSeconds(1);
  auto start = Clock::now();
  EXPECT_EQ(SimpleHttpGet(PageUrl(0)), "");
  EXPECT_GE(SecondsSince(start), 0.8);
}

TEST_F(SiteFaultsTest, StopEndsAStalledRequestPromptly) {
  server.SetFault("/submit/user", {.kind = FaultKind::Stall});
  std::string body = fixed::HideBodyPrefix() + "1+2";
  site_test::CurlReply reply;
  std::thread client([&] { reply = site_test::Fetch(Base(server) + fixed::HidePath(), &body, Cookie(), {}, 60000); });
  // Wait until the site holds the request.
  while (server.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  auto start = Clock::now();
  server.Stop();
  EXPECT_LT(SecondsSince(start), 5.0);
  client.join();
  EXPECT_NE(reply.code, CURLE_OK);
  EXPECT_EQ(reply.body, "");
}

TEST_F(SiteFaultsTest, ResetMidBodyLeavesThePartThatArrived) {
  const Bytes whole = server.AnswerPage(server.Session("alice"), 0);
  struct Case {
    int bodyBytes;
    size_t expected;
  };
  for (Case c : {Case{-1, whole.size() / 2}, Case{5000, 5000}, Case{0, 0}}) {
    SCOPED_TRACE(c.bodyBytes);
    server.SetFault("/uhome/answer", {.kind = FaultKind::ResetMidBody, .times = 1, .bodyBytes = c.bodyBytes});
    site_test::CurlReply reply = site_test::Get(PageUrl(0), Cookie());
    EXPECT_NE(reply.code, CURLE_OK);  // reset or short body: the transfer failed
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, whole.substr(0, c.expected));
  }
  // The simple GET gives back what arrived; once the fault is used up the page is whole again.
  server.SetFault("/uhome/answer", {.kind = FaultKind::ResetMidBody, .times = 1});
  EXPECT_EQ(SimpleHttpGet(PageUrl(0)), whole.substr(0, whole.size() / 2));
  EXPECT_EQ(SimpleHttpGet(PageUrl(0)), whole);

  // A hide whose reply breaks off still hides: the site did its part, the client cannot know.
  const site::Answer answer = server.Answers("alice")[0];
  server.SetFault("/submit/user", {.kind = FaultKind::ResetMidBody, .times = 1});
  site_test::CurlReply hide = site_test::Post(Base(server) + fixed::HidePath(),
                                              fixed::HideBodyPrefix() + answer.id + "+" + answer.checkCode, Cookie());
  EXPECT_NE(hide.code, CURLE_OK);
  EXPECT_EQ(hide.body, fixed::HideSuccessReply().substr(0, 27));
  EXPECT_TRUE(server.Answers("alice")[0].hidden);
}

TEST_F(SiteFaultsTest, WrongCountsBreaksOneTitleOnTheChosenPageOnly) {
  server.SetFault("/uhome/answer", {.kind = FaultKind::WrongCounts, .pageOffset = 25});
  for (int pn : {0, 25, 0, 25}) {
    SCOPED_TRACE(pn);
    Bytes page = SimpleHttpGet(PageUrl(pn));
    EXPECT_EQ(Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight()).size(), 25u);
    EXPECT_EQ(Between(page, fixed::CheckCodeLeft(), fixed::CheckCodeRight()).size(), 25u);
    EXPECT_EQ(Between(page, fixed::TitleLeft(), fixed::TitleRight()).size(), pn == 25 ? 24u : 25u);
  }
  // Any page, once: the first request gets it, the next not.
  server.SetFault("/uhome/answer", {.kind = FaultKind::WrongCounts, .times = 1});
  EXPECT_EQ(Between(SimpleHttpGet(PageUrl(50)), fixed::TitleLeft(), fixed::TitleRight()).size(), 9u);
  EXPECT_EQ(Between(SimpleHttpGet(PageUrl(50)), fixed::TitleLeft(), fixed::TitleRight()).size(), 10u);
}

TEST_F(SiteFaultsTest, ErrorStatusComesWithABodyAndCountsDown) {
  server.SetFault("/submit/user", {.kind = FaultKind::ErrorStatus, .status = 503, .times = 2});
  const site::Answer answer = server.Answers("alice")[0];
  const std::string body = fixed::HideBodyPrefix() + answer.id + "+" + answer.checkCode;
  for (int i = 0; i < 2; ++i) {
    site_test::CurlReply reply = site_test::Post(Base(server) + fixed::HidePath(), body, Cookie());
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.status, 503);
    EXPECT_NE(reply.body.find("503"), std::string::npos);
    EXPECT_FALSE(server.Answers("alice")[0].hidden);  // the failed request changed nothing
  }
  site_test::CurlReply third = site_test::Post(Base(server) + fixed::HidePath(), body, Cookie());
  EXPECT_EQ(third.status, 200);
  EXPECT_EQ(third.body, fixed::HideSuccessReply());

  // The simple GET of an error page gives its body: no answers, no end marker.
  server.SetFault("/uhome/answer", {.kind = FaultKind::ErrorStatus});
  Bytes page = SimpleHttpGet(PageUrl(0));
  EXPECT_NE(page.find("500"), std::string::npos);
  EXPECT_FALSE(ContainsText(page, fixed::EndMarker()));
  EXPECT_TRUE(Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight()).empty());
  server.ClearFaults();
  EXPECT_EQ(Between(SimpleHttpGet(PageUrl(0)), fixed::AnswerIdLeft(), fixed::AnswerIdRight()).size(), 25u);
}

TEST_F(SiteFaultsTest, HugeHeadersCarrySeveralCookiesAndTheWholeBody) {
  server.SetFault("/uhome/answer", {.kind = FaultKind::HugeHeaders});
  site_test::CurlReply reply = site_test::Get(PageUrl(0), Cookie());
  ASSERT_EQ(reply.code, CURLE_OK);
  EXPECT_GT(reply.headers.size(), 2048u);
  EXPECT_GE(site_test::Occurrences(reply.headers, "\r\nSet-Cookie: "), 3);
  EXPECT_EQ(reply.body, server.AnswerPage(server.Session("alice"), 0));

  // The simple GET reads the page whole and the shared store takes the cookies.
  Bytes page = SimpleHttpGet(PageUrl(0));
  EXPECT_EQ(Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight()).size(), 25u);
  int tracking = 0;
  for (const ::Cookie& cookie : StoredCookies()) tracking += cookie.name.rfind("TRACK", 0) == 0 ? 1 : 0;
  EXPECT_GE(tracking, 3);
}

}  // namespace
