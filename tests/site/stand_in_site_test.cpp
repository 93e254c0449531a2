#include "site/stand_in_site.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/site_config.h"
#include "platform/web_session.h"
#include "site_test_support.h"
#include "text/fixed_texts.h"

namespace {

using site::Answer;
using site::StandInSite;
using site_test::Base;
using site_test::Between;
using site_test::Occurrences;

class StandInSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearCookies();
    ASSERT_TRUE(server.Start());
  }
  void TearDown() override {
    server.Stop();
    ClearCookies();
  }

  std::string SessionCookie(const std::string& account) {
    return server.SessionCookieName() + "=" + server.Session(account);
  }
  std::string HideUrl() { return Base(server) + fixed::HidePath(); }
  static std::string HideBody(const Answer& answer) {
    return fixed::HideBodyPrefix() + answer.id + "+" + answer.checkCode;
  }

  StandInSite server;
};

// The three fields of every answer on a page, read the way the program reads them.
struct PageFields {
  std::vector<std::string> ids, checkCodes, titles;
};

PageFields FieldsOf(const std::string& page) {
  return {Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight()),
          Between(page, fixed::CheckCodeLeft(), fixed::CheckCodeRight()),
          Between(page, fixed::TitleLeft(), fixed::TitleRight())};
}

TEST_F(StandInSiteTest, PagesHoldTwentyFiveAnswersEachThenTheEndMarker) {
  struct Case {
    int answers;
    int pageOffset;
    int first;  // index of the first answer on the page
    int shown;
  };
  const Case cases[] = {
      {30, 0, 0, 25}, {30, 25, 25, 5}, {30, 50, 0, 0}, {25, 0, 0, 25}, {25, 25, 0, 0}, {0, 0, 0, 0}, {60, 35, 35, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("answers " + std::to_string(c.answers) + ", pn " + std::to_string(c.pageOffset));
    server.AddAccount(StandInSite::GenerateAccount("alice", "pw", c.answers));
    ClearCookies();
    site_test::LogIn(server, "alice");
    std::vector<Answer> all = server.Answers("alice");

    Text page = TextOf(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + std::to_string(c.pageOffset)));
    PageFields fields = FieldsOf(page);
    ASSERT_EQ(fields.ids.size(), static_cast<size_t>(c.shown));
    ASSERT_EQ(fields.checkCodes.size(), static_cast<size_t>(c.shown));
    ASSERT_EQ(fields.titles.size(), static_cast<size_t>(c.shown));
    for (int i = 0; i < c.shown; ++i) {
      const Answer& expected = all[static_cast<size_t>(c.first + i)];
      EXPECT_EQ(fields.ids[static_cast<size_t>(i)], expected.id);
      EXPECT_EQ(fields.checkCodes[static_cast<size_t>(i)], expected.checkCode);
      EXPECT_EQ(fields.titles[static_cast<size_t>(i)], expected.title);
    }
    // The noise carries no left delimiter in any letter case, so every one belongs to an answer.
    EXPECT_EQ(Occurrences(page, fixed::AnswerIdLeft()), c.shown);
    EXPECT_EQ(Occurrences(page, fixed::CheckCodeLeft()), c.shown);
    EXPECT_EQ(Occurrences(page, fixed::TitleLeft()), c.shown);
    EXPECT_EQ(ContainsText(page, fixed::EndMarker()), c.shown == 0);
  }
}

TEST_F(StandInSiteTest, OddPageOffsetsReadAsTheFirstPageOrPastTheEnd) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 30));
  site_test::LogIn(server, "alice");
  const std::string firstId = server.Answers("alice")[0].id;
  struct Case {
    const char* query;
    bool firstPage;  // else: the end marker
  };
  const Case cases[] = {{"filter=1&pn=abc", true},
                        {"filter=1&pn=-5", true},
                        {"filter=1", true},
                        {"filter=1&pn=", true},
                        {"filter=1&pn=2147483647", false},
                        {"filter=1&pn=99999999999999999999", false},
                        {"filter=1&pn=-99999999999999999999", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    Bytes page = SimpleHttpGet(Base(server) + "/uhome/answer?" + c.query);
    std::vector<std::string> ids = Between(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight());
    if (c.firstPage) {
      ASSERT_EQ(ids.size(), 25u);
      EXPECT_EQ(ids[0], firstId);
    } else {
      EXPECT_TRUE(ids.empty());
      EXPECT_TRUE(ContainsText(page, fixed::EndMarker()));
    }
  }
}

TEST_F(StandInSiteTest, MalformedRequestsAreRefusedAndRecorded) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 1));
  const Answer answer = server.Answers("alice")[0];
  const std::string cookie = "Cookie: " + SessionCookie("alice") + "\r\n";
  struct Case {
    const char* what;
    std::string request;
    std::string statusLine;
    bool halfClose = false;  // the site sees the end of input after the request
  };
  const Case cases[] = {
      {"chunked body",
       "POST /submit/user HTTP/1.1\r\nHost: x\r\n" + cookie +
           "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       "HTTP/1.1 411 "},
      {"body too large", "POST /submit/user HTTP/1.1\r\nHost: x\r\nContent-Length: 999999999999\r\n\r\n",
       "HTTP/1.1 413 "},
      {"bad length", "POST /submit/user HTTP/1.1\r\nHost: x\r\nContent-Length: 12x\r\n\r\n", "HTTP/1.1 400 "},
      {"body cut short",
       "POST /submit/user HTTP/1.1\r\nHost: x\r\n" + cookie + "Content-Length: 500\r\n\r\n" + HideBody(answer),
       "HTTP/1.1 400 ", true},
      {"bare line feeds", "GET /publisher/home HTTP/1.0\nHost: x\n\n", "HTTP/1.1 200 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.ClearRequests();
    std::string reply = site_test::RawExchange(server.Port(), c.request, c.halfClose);
    EXPECT_EQ(reply.rfind(c.statusLine, 0), 0u) << reply.substr(0, 200);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].requestLine, c.request.substr(0, c.request.find_first_of("\r\n")));
  }
  EXPECT_FALSE(server.Answers("alice")[0].hidden);

  // "Expect: 100-continue" gets its interim reply, so the client sends the body at once.
  std::string body = HideBody(answer);
  site_test::CurlReply expecting =
      site_test::Fetch(HideUrl(), &body, SessionCookie("alice"), {"Expect: 100-continue"}, 20000);
  EXPECT_EQ(expecting.body, fixed::HideSuccessReply());
  EXPECT_NE(expecting.headers.find("HTTP/1.1 100 Continue"), std::string::npos);
}

TEST_F(StandInSiteTest, PagesAreGbkHtmlOfRealisticSize) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 25));
  site_test::CurlReply reply = site_test::Get(Base(server) + fixed::AnswerPagePath() + "0", SessionCookie("alice"));
  ASSERT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.status, 200);
  EXPECT_NE(reply.headers.find("Content-Type: text/html; charset=gbk\r\n"), std::string::npos);
  EXPECT_GT(reply.body.size(), 40u * 1024u);
  EXPECT_LT(reply.body.size(), 100u * 1024u);
  // GBK, not UTF-8: the Chinese of the page reads back through the GBK table.
  EXPECT_NE(Utf8FromGbk(reply.body).find("我的回答"), std::string::npos);
  EXPECT_EQ(reply.body.find("我的回答"), std::string::npos);
}

TEST_F(StandInSiteTest, DemoTitlesKeepTheirEntitiesAndShareKeywords) {
  server.AddAccount(StandInSite::DemoAccount());
  site_test::LogIn(server, "demo");
  std::vector<std::string> titles;
  for (int pn = 0;; pn += fixed::kPageStep) {
    Text page = TextOf(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + std::to_string(pn)));
    if (ContainsText(page, fixed::EndMarker())) break;
    ASSERT_LT(pn, 1000);
    for (auto& title : FieldsOf(page).titles) titles.push_back(title);
  }
  ASSERT_EQ(titles.size(), server.Answers("demo").size());
  EXPECT_GE(titles.size(), 50u);
  auto countWith = [&](const std::string& utf8) {
    Text word = GbkFromUtf8(utf8);
    return std::count_if(titles.begin(), titles.end(), [&](const std::string& t) { return ContainsText(t, word); });
  };
  for (const char* word : {"Python", "Excel", "手机", "电脑", "微信", "怎么办"}) {
    EXPECT_GE(countWith(word), 3) << word;
  }
  EXPECT_EQ(countWith("&lt;b&gt;"), 1);
  EXPECT_EQ(countWith("&amp;"), 1);
}

TEST_F(StandInSiteTest, WithoutAValidSessionEveryPageHoldsTheEndMarker) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 30));
  const std::string cookies[] = {"", server.SessionCookieName() + "=wrong", "OTHER=" + server.Session("alice")};
  for (const std::string& cookie : cookies) {
    SCOPED_TRACE(cookie);
    site_test::CurlReply reply = site_test::Get(Base(server) + fixed::AnswerPagePath() + "0", cookie);
    ASSERT_EQ(reply.code, CURLE_OK);
    EXPECT_TRUE(ContainsText(reply.body, fixed::EndMarker()));
    EXPECT_EQ(Occurrences(reply.body, fixed::AnswerIdLeft()), 0);
  }
  // The same through the simple GET with an empty cookie store.
  EXPECT_TRUE(ContainsText(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + "0"), fixed::EndMarker()));
}

TEST_F(StandInSiteTest, HideSucceedsOnceAndTheAnswerLeavesTheList) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 26));
  const Answer target = server.Answers("alice")[3];

  site_test::CurlReply first = site_test::Post(HideUrl(), HideBody(target), SessionCookie("alice"));
  ASSERT_EQ(first.code, CURLE_OK);
  EXPECT_EQ(first.body, fixed::HideSuccessReply());
  EXPECT_EQ(first.body.size(), 55u);
  EXPECT_TRUE(server.Answers("alice")[3].hidden);

  site_test::CurlReply again = site_test::Post(HideUrl(), HideBody(target), SessionCookie("alice"));
  ASSERT_EQ(again.code, CURLE_OK);
  EXPECT_NE(again.body, fixed::HideSuccessReply());
  EXPECT_NE(again.body.find("\"errorNo\""), std::string::npos);

  // 25 answers are left: page 0 is full without the hidden one, page 25 holds the end marker.
  site_test::LogIn(server, "alice");
  PageFields fields = FieldsOf(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + "0"));
  EXPECT_EQ(fields.ids.size(), 25u);
  EXPECT_EQ(std::count(fields.ids.begin(), fields.ids.end(), target.id), 0);
  EXPECT_TRUE(ContainsText(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + "25"), fixed::EndMarker()));
}

TEST_F(StandInSiteTest, HideIsRefusedUnlessSessionIdAndCheckCodeMatchExactly) {
  site::Account alice = StandInSite::GenerateAccount("alice", "pw", 3);
  // Taken byte for byte: "&", "+" and spaces in a check code are not form syntax here.
  alice.answers[1].checkCode = "a&b+c d%2B";
  server.AddAccount(alice);
  server.AddAccount(StandInSite::GenerateAccount("bob", "pw", 3));
  const Answer plain = server.Answers("alice")[0];
  const Answer odd = server.Answers("alice")[1];
  const std::string prefix = fixed::HideBodyPrefix();

  struct Case {
    const char* what;
    std::string body;
    std::string cookie;
    bool succeeds;
  };
  const Case cases[] = {
      {"wrong check code", prefix + plain.id + "+" + plain.checkCode + "x", SessionCookie("alice"), false},
      {"check code cut short", prefix + plain.id + "+" + plain.checkCode.substr(1), SessionCookie("alice"), false},
      {"unknown id", prefix + "1+" + plain.checkCode, SessionCookie("alice"), false},
      {"no separator", prefix + plain.id + plain.checkCode, SessionCookie("alice"), false},
      {"another prefix", "cm=100122&co=" + plain.id + "+" + plain.checkCode, SessionCookie("alice"), false},
      {"form-encoded check code", prefix + odd.id + "+a%26b%2Bc+d%252B", SessionCookie("alice"), false},
      {"no session", HideBody(plain), "", false},
      {"another account's session", HideBody(plain), SessionCookie("bob"), false},
      {"check code with & + and space", HideBody(odd), SessionCookie("alice"), true},
      {"the plain one", HideBody(plain), SessionCookie("alice"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    site_test::CurlReply reply = site_test::Post(HideUrl(), c.body, c.cookie);
    ASSERT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.body == fixed::HideSuccessReply(), c.succeeds) << reply.body;
  }
  std::vector<Answer> after = server.Answers("alice");
  EXPECT_TRUE(after[0].hidden);
  EXPECT_TRUE(after[1].hidden);
  EXPECT_FALSE(after[2].hidden);
  for (const Answer& answer : server.Answers("bob")) EXPECT_FALSE(answer.hidden);

  // A GET of the endpoint hides nothing.
  EXPECT_NE(site_test::Get(HideUrl(), SessionCookie("alice")).body, fixed::HideSuccessReply());
}

TEST_F(StandInSiteTest, LoginFormSetsTheSessionCookieAndReturns) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pa ss&word", 1));
  const std::string login = LoginAddress(LocalSiteConfig(server.Port()));

  site_test::CurlReply form = site_test::Get(login);
  ASSERT_EQ(form.code, CURLE_OK);
  EXPECT_EQ(form.status, 200);
  EXPECT_NE(form.headers.find("charset=gbk"), std::string::npos);
  EXPECT_NE(form.body.find("charset=gbk"), std::string::npos);
  EXPECT_NE(form.body.find("method=\"post\""), std::string::npos);
  EXPECT_NE(form.body.find("name=\"username\""), std::string::npos);
  EXPECT_NE(form.body.find("name=\"password\""), std::string::npos);

  // Wrong password: the form again, with a notice, and no cookie.
  site_test::CurlReply wrong = site_test::Post(login, "username=alice&password=nope", "");
  EXPECT_EQ(wrong.status, 200);
  EXPECT_EQ(wrong.headers.find("Set-Cookie"), std::string::npos);
  EXPECT_NE(wrong.body.find("name=\"password\""), std::string::npos);
  EXPECT_NE(Utf8FromGbk(wrong.body).find("密码错误"), std::string::npos);

  // Right password (form-encoded as a browser sends it): cookie and redirect to the return address.
  site_test::CurlReply right = site_test::Post(login, "username=alice&password=pa+ss%26word", "");
  EXPECT_EQ(right.status, 302);
  const std::string cookieLine =
      "Set-Cookie: " + server.SessionCookieName() + "=" + server.Session("alice") + "; Path=/; HttpOnly\r\n";
  EXPECT_NE(right.headers.find(cookieLine), std::string::npos) << right.headers;
  EXPECT_EQ(AsciiLower(right.headers).find("domain="), std::string::npos);
  const std::string location = "Location: http://127.0.0.1:" + std::to_string(server.Port()) + "/?ssid=0&from=0" +
                               "&bd_page_type=1&uid=" + LocalSiteConfig(server.Port()).visitorId +
                               "&pu=sz%40224_220&idx=20000&itj=24\r\n";
  EXPECT_NE(right.headers.find(location), std::string::npos) << right.headers;

  // A return address that would break the header line, or leave the web, sends the browser to "/".
  for (const char* u : {"http%3A%2F%2F127.0.0.1%2F%0D%0ASet-Cookie%3A%20x%3D1", "javascript%3Aalert(1)"}) {
    site_test::CurlReply odd =
        site_test::Post(Base(server) + "/passport?login&u=" + u, "username=alice&password=pa+ss%26word", "");
    EXPECT_EQ(odd.status, 302);
    EXPECT_NE(odd.headers.find("\r\nLocation: /\r\n"), std::string::npos) << odd.headers;
  }

  // A browser-like client that keeps cookies and follows the redirect ends logged in.
  EnsureCurlReady();
  CURL* h = curl_easy_init();
  std::string body;
  std::string fields = "username=alice&password=pa+ss%26word";
  curl_easy_setopt(h, CURLOPT_URL, login.c_str());
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, fields.c_str());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_POSTREDIR, 0L);  // 302 after POST: GET, as browsers do
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, site_test::AppendTo);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  UseSharedCookies(h);
  ASSERT_EQ(curl_easy_perform(h), CURLE_OK);
  curl_easy_cleanup(h);
  EXPECT_NE(Utf8FromGbk(body).find("已登录：alice"), std::string::npos) << Utf8FromGbk(body);
  std::vector<Cookie> stored = StoredCookies();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].domain, "127.0.0.1");
  EXPECT_TRUE(stored[0].hostOnly);
  EXPECT_EQ(stored[0].value, server.Session("alice"));
  // And the shared store now opens the answer pages.
  EXPECT_EQ(Occurrences(SimpleHttpGet(Base(server) + fixed::AnswerPagePath() + "0"), fixed::AnswerIdLeft()), 1);
}

TEST_F(StandInSiteTest, PublisherPagesAndUnknownPaths) {
  for (const char* path : {"/publisher/home", "/publisher/help", "/publisher/downloads", "/"}) {
    site_test::CurlReply reply = site_test::Get(Base(server) + path);
    EXPECT_EQ(reply.status, 200) << path;
    EXPECT_NE(reply.body.find("charset=gbk"), std::string::npos) << path;
  }
  EXPECT_EQ(site_test::Get(Base(server) + "/nowhere").status, 404);
}

TEST_F(StandInSiteTest, RecordsRequestLineHeadersInWireOrderAndBodyBytes) {
  const std::string body = std::string("cm=100121&co=1+a&b c\r\n", 22) + std::string(1, '\0') + "\xb0\xa1";
  site_test::CurlReply reply = site_test::Fetch(
      HideUrl(), &body, "", {"Zeta: 1", "Alpha:  two  ", "Content-Type: application/x-www-form-urlencoded", "Zeta: 3"});
  ASSERT_EQ(reply.code, CURLE_OK);
  std::vector<site::RecordedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "POST /submit/user HTTP/1.1");
  EXPECT_EQ(requests[0].body, body);
  std::vector<std::string> names;
  for (const auto& [name, value] : requests[0].headers) names.push_back(name);
  // libcurl's own lines first, then ours in the order given (a repeated name stays twice).
  const std::vector<std::string> expected = {"Host",         "Accept", "Zeta",          "Alpha",
                                             "Content-Type", "Zeta",   "Content-Length"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(requests[0].headers[3].second, "two");
  EXPECT_EQ(requests[0].headers[6].second, std::to_string(body.size()));
  // The raw head keeps what the parsed headers smooth over: spacing, line ends.
  EXPECT_NE(requests[0].rawHead.find("\r\nAlpha:  two  \r\n"), std::string::npos) << requests[0].rawHead;
  EXPECT_EQ(requests[0].rawHead.rfind("POST /submit/user HTTP/1.1\r\nHost: 127.0.0.1:", 0), 0u);
  EXPECT_EQ(requests[0].rawHead.substr(requests[0].rawHead.size() - 4), "\r\n\r\n");

  SimpleHttpGet(Base(server) + "/publisher/home");
  requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].requestLine, "GET /publisher/home HTTP/1.0");
  EXPECT_EQ(requests[1].body, "");
  server.ClearRequests();
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(StandInSiteTest, ConcurrentReadersAndHidersSeeAConsistentSite) {
  server.AddAccount(StandInSite::GenerateAccount("alice", "pw", 100));
  const std::vector<Answer> answers = server.Answers("alice");
  std::vector<std::thread> threads;
  std::atomic<int> successes{0};
  std::atomic<int> brokenPages{0};
  // Four hiders race for the same even-numbered answers: each is hidden exactly once.
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (size_t i = 0; i < answers.size(); i += 2) {
        if (site_test::Post(HideUrl(), HideBody(answers[i]), SessionCookie("alice")).body ==
            fixed::HideSuccessReply()) {
          ++successes;
        }
      }
    });
    threads.emplace_back([&] {
      for (int pn = 0; pn < 100; pn += 25) {
        PageFields f = FieldsOf(
            site_test::Get(Base(server) + fixed::AnswerPagePath() + std::to_string(pn), SessionCookie("alice")).body);
        if (f.ids.size() != f.checkCodes.size() || f.ids.size() != f.titles.size()) ++brokenPages;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(successes, 50);
  EXPECT_EQ(brokenPages, 0);
  std::vector<Answer> after = server.Answers("alice");
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].hidden, i % 2 == 0) << i;
}

TEST(StandInSiteLifecycle, FreePortsStopIsIdempotentAndRestartWorks) {
  StandInSite a;
  StandInSite b;
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  EXPECT_NE(a.Port(), b.Port());
  StandInSite clash;
  EXPECT_FALSE(clash.Start(a.Port()));
  a.Stop();
  a.Stop();
  EXPECT_NE(site_test::Get(Base(a) + "/").code, CURLE_OK);
  ASSERT_TRUE(a.Start());
  EXPECT_EQ(site_test::Get(Base(a) + "/").status, 200);
  EXPECT_EQ(site_test::Get(Base(b) + "/").status, 200);
}

}  // namespace
