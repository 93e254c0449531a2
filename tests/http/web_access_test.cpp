#include "http/web_access.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "http/recording_inet.h"
#include "platform/inet.h"
#include "platform/memory_window_services.h"
#include "platform/web_session.h"
#include "support/raw_http_server.h"
#include "text/fixed_texts.h"

namespace {

using test_support::RawHttpServer;
using test_support::RecordedRequest;
using test_support::ScriptedReply;
using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

Text G(const char* utf8) {
  return GbkFromUtf8(utf8);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits until every request worker has ended.
bool WorkersEnd(std::chrono::seconds limit) {
  Clock::time_point until = Clock::now() + limit;
  while (RunningRequestWorkers() != 0) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// --- Through the recording inet layer: what WebAccess hands the worker. ---

TEST(WebAccess, BlankUrlDoesNothing) {
  RecordingInet net;
  for (Text url : {Text(""), Text("   "), G("　 　"), Text("\0http://h/", 10)}) {
    Text text = "keep";
    Text before = url;
    EXPECT_EQ(WebAccess(url, {.responseHeaders = &text}), "");
    EXPECT_EQ(url, before);
    EXPECT_EQ(text, "keep");
  }
  EXPECT_TRUE(net.calls.empty());
}

TEST(WebAccess, NormalisesTheUrlAndWritesItBack) {
  struct Case {
    Text url;
    Text normalised;
    Text host;
    Text path;
  };
  const Case cases[] = {
      {"http://h:81/a", "http://h:81/a", "h", "/a"},
      {"https://h/a", "https://h/a", "h", "/a"},
      {"h:81/a", "http://h:81/a", "h", "/a"},
      {" h/a", "http:// h/a", " h", "/a"},
      // The scheme test is case-sensitive: capitals get a second scheme.
      {"HTTP://h/a", "http://HTTP://h/a", "http", "//h/a"},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    Text url = c.url;
    WebAccess(url);
    EXPECT_EQ(url, c.normalised) << c.url;
    EXPECT_EQ(net.host, c.host) << c.url;
    EXPECT_EQ(net.path, c.path) << c.url;
  }
}

TEST(WebAccess, MethodRedirectAndProxyReachTheWorker) {
  struct Case {
    const char* name;
    WebAccessParams params;
    Text method;
    std::uint32_t flags;
    Text proxy;
  };
  const Case cases[] = {
      {"defaults", {}, "GET", 0x80004010, ""},
      {"method 1 is POST", {.method = 1}, "POST", 0x80004010, ""},
      {"method 2 is GET", {.method = 2}, "GET", 0x80004010, ""},
      {"redirects off", {.followRedirects = false}, "GET", 0x80204010, ""},
      {"cookies given", {.cookies = "a=1"}, "GET", 0x80084010, ""},
      {"proxy", {.proxy = "p:8080"}, "GET", 0x80004010, "http=p:8080"},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    Text url = "http://h/";
    WebAccess(url, c.params);
    EXPECT_EQ(net.method, c.method) << c.name;
    EXPECT_EQ(net.flags, c.flags) << c.name;
    EXPECT_EQ(net.proxy, c.proxy) << c.name;
  }
}

TEST(WebAccess, ConversionsAndOutParameters) {
  const Bytes utf8Body = std::string("\xE4\xB8\xAD\xE6\x96\x87\0tail", 11);
  const Bytes big5Body = std::string("\xC1\x63\xC5\xE9\0\xA4\xA4", 7);  // 繁體, zero, 中
  struct Case {
    const char* name;
    Bytes body;
    std::optional<int> conversion;
    Bytes expected;
  };
  const Case cases[] = {
      {"raw keeps zero bytes", utf8Body, std::nullopt, utf8Body},
      {"unknown conversion is raw", utf8Body, 7, utf8Body},
      {"UTF-8 up to the zero byte", utf8Body, 1, G("中文")},
      {"Big5 simplified up to the zero byte", big5Body, 2, G("繁体")},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    net.responseBody = c.body;
    net.rawHeaders = "HTTP/1.1 200 OK\r\nSet-Cookie: s=1; path=/\r\n\r\n";
    Text url = "http://h/";
    Text headers = "keep";
    Text cookies = "keep";
    EXPECT_EQ(WebAccess(url, {.responseHeaders = &headers, .conversion = c.conversion, .responseCookies = &cookies}),
              c.expected)
        << c.name;
    EXPECT_EQ(headers, *net.rawHeaders) << c.name;
    EXPECT_EQ(cookies, "s=1;") << c.name;
  }
}

TEST(WebAccess, AFailedRequestGivesAnEmptyBody) {
  RecordingInet net;
  net.failConnect = true;
  Text url = "http://h/";
  Text headers = "keep";
  EXPECT_EQ(WebAccess(url, {.responseHeaders = &headers}), "");
  EXPECT_EQ(headers, "");  // a complete answer with nothing in it
}

// --- Over real HTTP on 127.0.0.1. ---

class WebAccessOverHttp : public ::testing::Test {
 protected:
  void SetUp() override { ClearCookies(); }
  void TearDown() override {
    ClearCookies();
    EXPECT_TRUE(WorkersEnd(std::chrono::seconds(10)));
  }
};

TEST_F(WebAccessOverHttp, HidePostGoesOutExactly) {
  RawHttpServer server(ScriptedReply::Answer(fixed::HideSuccessReply()));
  StoreCookie({.domain = "127.0.0.1", .name = "BDUSS", .value = "session-1"});
  const Text body = "cm=100121&co=ID+CODE";
  Text url = server.Url("/submit/user");
  const Text endpoint = url;

  Bytes reply = WebAccess(url, {.method = 1, .postData = body});

  EXPECT_EQ(reply, fixed::HideSuccessReply());
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.requestLine, "POST /submit/user HTTP/1.1");
  const Text accept = fixed::DefaultAcceptLine();
  EXPECT_EQ(
      request.headers,
      (Strings{"Host: 127.0.0.1:" + std::to_string(server.Port()), "User-Agent: " + fixed::DefaultAgent(),
               "Cookie: BDUSS=session-1", accept.substr(0, accept.size() - 2), "Referer: " + endpoint,
               "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded", "Content-Length: 20"}));
  EXPECT_EQ(request.body, body);
  EXPECT_EQ(request.raw.substr(request.raw.size() - body.size() - 4), "\r\n\r\n" + body);
}

TEST_F(WebAccessOverHttp, CallerCookiesReplaceTheSharedStore) {
  RawHttpServer server(ScriptedReply::Answer("ok"));
  StoreCookie({.domain = "127.0.0.1", .name = "stored", .value = "1"});
  Text url = server.Url("/p?q=1");
  EXPECT_EQ(WebAccess(url, {.cookies = "mine=2"}), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.requestLine, "GET /p?q=1 HTTP/1.1");
  EXPECT_EQ(request.Header("Cookie"), "mine=2");
  // The cookie line closes the header text; no second Cookie header follows.
  EXPECT_EQ(request.HeaderNames(), (Strings{"Host", "User-Agent", "Accept", "Referer", "Accept-Language", "Cookie"}));
}

TEST_F(WebAccessOverHttp, CallerHeadersGoOutAsGiven) {
  RawHttpServer server(ScriptedReply::Answer("ok"));
  Text url = server.Url("/");
  WebAccess(url, {.headers = "Accept-Language: en\r\nUser-Agent: Probe/1\r\nX-Empty:\r\nRefererNo\r\n"});
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  // No Accept at all (the language line counts as one), no Referer, the
  // caller's agent once, the empty header kept.
  EXPECT_EQ(request.headers, (Strings{"Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept-Language: en",
                                      "User-Agent: Probe/1", "X-Empty:"}));
}

TEST_F(WebAccessOverHttp, EmptyPostIsFramedButNotTyped) {
  RawHttpServer server(ScriptedReply::Answer("ok"));
  Text url = server.Url("/submit/user");
  EXPECT_EQ(WebAccess(url, {.method = 1, .postData = ""}), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.requestLine, "POST /submit/user HTTP/1.1");
  // No form type is added for an empty body; libcurl frames it with a zero length.
  EXPECT_EQ(request.HeaderNames(),
            (Strings{"Host", "User-Agent", "Accept", "Referer", "Accept-Language", "Content-Length"}));
  EXPECT_EQ(request.Header("Content-Length"), "0");
  EXPECT_EQ(request.body, "");
}

TEST_F(WebAccessOverHttp, LargePostGoesOutWithoutExpect) {
  RawHttpServer server(ScriptedReply::Answer("ok"));
  Bytes body(2 * 1024 * 1024, 'd');
  body[100] = '\0';
  Text url = server.Url("/submit/user");
  EXPECT_EQ(WebAccess(url, {.method = 1, .postData = body}), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.Header("Expect"), "");
  EXPECT_EQ(request.Header("Content-Length"), std::to_string(body.size()));
  EXPECT_EQ(request.body, body);
}

TEST_F(WebAccessOverHttp, AnswerHeadersAndCookiesComeBack) {
  // Over 2 KB of headers, three cookies, an error status: all of it arrives.
  const Text setCookies = "Set-Cookie: a=1; path=/\r\nX-Pad: " + std::string(2500, 'p') +
                          "\r\nSet-Cookie: b=2\r\nset-cookie: c=3; HttpOnly\r\n";
  RawHttpServer server(ScriptedReply::Answer("not here", setCookies, 404, "Not Found"));
  Text url = server.Url("/missing");
  Text headers = "keep";
  Text cookies = "keep";
  EXPECT_EQ(WebAccess(url, {.responseHeaders = &headers, .responseCookies = &cookies}), "not here");
  EXPECT_EQ(headers.substr(0, 24), "HTTP/1.1 404 Not Found\r\n");
  EXPECT_NE(headers.find(setCookies), Text::npos);
  EXPECT_GT(headers.size(), 2560u);
  EXPECT_EQ(cookies, "a=1;b=2;c=3;");
  Strings stored;
  for (const Cookie& c : StoredCookies()) stored.push_back(c.domain + " " + c.name + "=" + c.value);
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(stored, (Strings{"127.0.0.1 a=1", "127.0.0.1 b=2", "127.0.0.1 c=3"}));
}

TEST_F(WebAccessOverHttp, RedirectsFollowedUnlessTurnedOff) {
  RawHttpServer target(ScriptedReply::Answer("arrived"));
  RawHttpServer origin(ScriptedReply::Answer("moved", "Location: " + target.Url("/there") + "\r\n", 302, "Found"));
  Text url = origin.Url("/here");
  EXPECT_EQ(WebAccess(url), "arrived");
  EXPECT_EQ(WebAccess(url, {.followRedirects = false}), "moved");
  EXPECT_EQ(target.Requests().size(), 1u);
}

TEST_F(WebAccessOverHttp, BrokenAndOversizedRepliesEndCleanly) {
  {
    // Reset after part of the body: at most what arrived, never more.
    const std::string body(100000, 'b');
    RawHttpServer server(ScriptedReply::ResetMidBody(body, 30000));
    Text url = server.Url("/");
    Bytes reply = WebAccess(url, {.超时返回 = 10});
    EXPECT_LE(reply.size(), 30000u);
    EXPECT_EQ(reply, body.substr(0, reply.size()));
  }
  {
    // More body than any page: refused whole, quickly, without holding it.
    RawHttpServer server(ScriptedReply::Huge(inet::kMaxBodyBytes + 1));
    Text url = server.Url("/");
    Text headers;
    EXPECT_EQ(WebAccess(url, {.超时返回 = 60, .responseHeaders = &headers}), "");
  }
  {
    // Nothing listens on the port.
    int port = 0;
    {
      RawHttpServer gone;
      port = gone.Port();
    }
    Text url = "http://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(WebAccess(url, {.超时返回 = 10}), "");
  }
}

TEST_F(WebAccessOverHttp, StalledServerTimesOutOnTime) {
  RawHttpServer server(ScriptedReply::Stall());
  struct Case {
    double seconds;
    double atLeast;
    double atMost;
  };
  const Case cases[] = {{1.0, 0.9, 1.1}, {0.0, 0.0, 0.05}};
  for (const Case& c : cases) {
    Text url = server.Url("/");
    Text headers = "keep";
    Text cookies = "keep";
    Clock::time_point start = Clock::now();
    Bytes reply = WebAccess(url, {.超时返回 = c.seconds, .responseHeaders = &headers, .responseCookies = &cookies});
    double took = SecondsSince(start);
    EXPECT_EQ(reply, fixed::TimeoutMessage());
    EXPECT_GE(took, c.atLeast) << c.seconds;
    EXPECT_LE(took, c.atMost) << c.seconds;
    EXPECT_EQ(headers, "keep");
    EXPECT_EQ(cookies, "keep");
  }
  // The abandoned workers were cancelled: they end and close their connections.
  EXPECT_TRUE(WorkersEnd(std::chrono::seconds(5)));
  Clock::time_point until = Clock::now() + std::chrono::seconds(5);
  while (server.OpenConnections() > 0 && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server.OpenConnections(), 0);
}

TEST_F(WebAccessOverHttp, ALateAnswerReachesNoOne) {
  ScriptedReply late = ScriptedReply::Answer("late", "Set-Cookie: late=1\r\n");
  late.delay = std::chrono::milliseconds(300);
  RawHttpServer server(late);
  Text url = server.Url("/");
  Text headers = "keep";
  EXPECT_EQ(WebAccess(url, {.超时返回 = 0.1, .responseHeaders = &headers}), fixed::TimeoutMessage());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(headers, "keep");
  EXPECT_TRUE(StoredCookies().empty());
  // The next call gets its own answer.
  server.SetReply(ScriptedReply::Answer("fresh"));
  EXPECT_EQ(WebAccess(url, {.超时返回 = 10, .responseHeaders = &headers}), "fresh");
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

TEST_F(WebAccessOverHttp, ManyTimeOutsInARowLeaveNothingBehind) {
  RawHttpServer server(ScriptedReply::Stall());
  auto run = [&](int times) {
    for (int i = 0; i < times; ++i) {
      Text url = server.Url("/");
      ASSERT_EQ(WebAccess(url, {.超时返回 = 0.01}), fixed::TimeoutMessage());
    }
  };
  run(20);  // warm up: the allocator and libcurl reach their working size
  ASSERT_TRUE(WorkersEnd(std::chrono::seconds(10)));
  long before = ResidentKilobytes();
  run(200);
  EXPECT_TRUE(WorkersEnd(std::chrono::seconds(10)));
  Clock::time_point until = Clock::now() + std::chrono::seconds(10);
  while (server.OpenConnections() > 0 && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server.OpenConnections(), 0);
  // Parked worker threads end on their own soon after.
  until = Clock::now() + std::chrono::seconds(10);
  while (RequestWorkerThreads() > 0 && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(RequestWorkerThreads(), 0);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // Sanitizers keep freed memory in quarantine; their own reports cover leaks.
  EXPECT_LT(ResidentKilobytes() - before, 4096) << "kB grown over 200 time-outs";
#else
  (void)before;
#endif
}

// Counts the message pumps of a window thread; the test's own thread is it.
class CountingWindow : public MemoryWindowServices {
 public:
  void ProcessPendingMessages() override { ++pumps; }
  bool IsWindowThread() override { return true; }
  std::atomic<int> pumps{0};
};

TEST_F(WebAccessOverHttp, WindowMessagesAreHandledWhileWaiting) {
  ScriptedReply slow = ScriptedReply::Answer("done");
  slow.delay = std::chrono::milliseconds(300);
  RawHttpServer server(slow);
  CountingWindow window;
  InstallWindowServices(&window);
  Text url = server.Url("/");
  Bytes reply = WebAccess(url, {.超时返回 = 10});
  InstallWindowServices(nullptr);
  EXPECT_EQ(reply, "done");
  EXPECT_GE(window.pumps.load(), 10);
}

}  // namespace
