#include "platform/web_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "support/raw_http_server.h"
#include "text/fixed_texts.h"

namespace {

using test_support::RawHttpServer;
using test_support::ScriptedReply;

class SimpleGetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureCurlReady();
    ClearCookies();
  }
  void TearDown() override { ClearCookies(); }
};

TEST_F(SimpleGetTest, RequestBytesAreExactlyTheOldBrowserForm) {
  RawHttpServer server(ScriptedReply::Answer("page body"));
  EXPECT_EQ(SimpleHttpGet(server.Url("/uhome/answer?filter=1&pn=25#top")), "page body");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].raw, "GET /uhome/answer?filter=1&pn=25 HTTP/1.0\r\n"
                             "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"
                             "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                             "Accept: */*\r\n"
                             "\r\n");
}

TEST_F(SimpleGetTest, SharedCookiesGoOutAndStoredOnesComeBack) {
  RawHttpServer server(ScriptedReply::Answer("ok", "Set-Cookie: fresh=1; Path=/\r\n"));
  Cookie login;
  login.domain = "127.0.0.1";
  login.name = "BDUSS";
  login.value = "abc123";
  StoreCookie(login);
  Cookie elsewhere = login;
  elsewhere.domain = "example.org";
  elsewhere.value = "not-for-this-host";
  StoreCookie(elsewhere);

  SimpleHttpGet(server.Url("/a"));
  SimpleHttpGet(server.Url("/b"));

  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("Cookie"), "BDUSS=abc123");
  // The reply's cookie went into the same store and out with the next request.
  const std::string both = requests[1].Header("Cookie");
  EXPECT_TRUE(both == "BDUSS=abc123; fresh=1" || both == "fresh=1; BDUSS=abc123") << both;

  RemoveCookie(login);
  SimpleHttpGet(server.Url("/c"));
  EXPECT_EQ(server.Requests().back().Header("Cookie"), "fresh=1");
}

TEST_F(SimpleGetTest, FailuresGiveWhatArrivedOrNothing) {
  auto server = std::make_unique<RawHttpServer>(ScriptedReply::ResetMidBody("0123456789abcdef", 10));
  // A body cut off in the middle: the bytes that came.
  EXPECT_EQ(SimpleHttpGet(server->Url("/")), "0123456789");

  // Error statuses still give their body.
  server->SetReply(ScriptedReply::Answer("not found page", "", 404, "Not Found"));
  EXPECT_EQ(SimpleHttpGet(server->Url("/")), "not found page");

  // Nothing listening, no address, an address that does not parse, another scheme.
  const std::string gone = server->Url("/");
  server.reset();
  EXPECT_EQ(SimpleHttpGet(gone), "");
  EXPECT_EQ(SimpleHttpGet(""), "");
  EXPECT_EQ(SimpleHttpGet("#only-a-fragment"), "");
  EXPECT_EQ(SimpleHttpGet("http://[broken/"), "");
  EXPECT_EQ(SimpleHttpGet("ftp://127.0.0.1/"), "");
}

TEST_F(SimpleGetTest, StalledServerEndsTheRequest) {
  RawHttpServer server(ScriptedReply::Stall());
  SetSimpleGetStallSeconds(1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SimpleHttpGet(server.Url("/")), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  SetSimpleGetStallSeconds(30);
}

TEST_F(SimpleGetTest, HugeReplyIsCut) {
  RawHttpServer server(ScriptedReply::Huge(kSimpleGetMaxBytes + 1000));
  EXPECT_EQ(SimpleHttpGet(server.Url("/")).size(), kSimpleGetMaxBytes);
}

TEST(StartThreadTest, RunsTheRoutineDetachedWithItsParameter) {
  std::atomic<int> seen{0};
  EXPECT_TRUE(StartThread([&](int p) { seen = p; }, 1));
  for (int i = 0; i < 500 && seen == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(seen.load(), 1);
}

TEST(OpenUrlTest, InstalledOpenerReceivesTheAddress) {
  std::vector<Text> opened;
  SetBrowserOpener([&](const Text& url) { opened.push_back(url); });
  OpenUrlInBrowser("http://127.0.0.1/publisher/home");
  SetBrowserOpener(nullptr);
  EXPECT_EQ(opened, std::vector<Text>{"http://127.0.0.1/publisher/home"});
}

}  // namespace
