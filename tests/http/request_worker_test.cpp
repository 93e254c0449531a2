#include "http/request_worker.h"

#include <gtest/gtest.h>

#include "http/recording_inet.h"
#include "text/fixed_texts.h"

namespace {

using Strings = std::vector<std::string>;

const Text kUrl = "http://example.com/p";

// The request record as WebAccess packs it.
RequestExchange Record(const Text& url, const Text& method = "GET", const Text& headers = "",
                       const Bytes& postData = "", const Text& cookies = "", bool follow = true,
                       const Text& proxy = "") {
  return {url, method, proxy, headers, postData, cookies, BoolText(follow)};
}

// Runs the worker over the record; the answer it wrote back.
RequestExchange RunWorker(const RequestExchange& record) {
  HandOverBuffer buffer;
  EXPECT_TRUE(buffer.Write(record));
  EXPECT_TRUE(RequestWorker(buffer));
  buffer.Rewind();
  std::optional<RequestExchange> answer = buffer.Read();
  EXPECT_TRUE(answer);
  return answer.value_or(RequestExchange{});
}

TEST(UrlParts, HostPathAndPort) {
  struct Case {
    Text url;
    Text host;
    Text path;
    int port;
  };
  const Case cases[] = {
      {"http://WWW.Example.COM:81/a?b=1", "www.example.com", "/a?b=1", 81},
      {"http://example.com", "example.com", "/", 80},
      {"http://example.com:81", "example.com", "/", 81},
      {"http://h/a/b#frag", "h", "/a/b#frag", 80},
      {"example.com:8080/p", "example.com", "/p", 8080},
      {"http://h:81x/", "h", "/", 81},
      {"http://h:abc/", "h", "/", 0},
      {"http://h:/", "h", "/", 0},
      // Not "http://" at the start: the authority is cut at the first "/",
      // which leaves "https:" and an empty port (the worker uses 443 anyway).
      {"https://Secure.example.com/x", "secure.example.com", "/x", 0},
      // Every scheme text is removed wherever it stands, and the path is
      // found after the host.
      {"http://h/?next=http://other/", "h", "/?next=http://other/", 80},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HostOfUrl(c.url), c.host) << c.url;
    EXPECT_EQ(PathOfUrl(c.url), c.path) << c.url;
    EXPECT_EQ(PortOfUrl(c.url), c.port) << c.url;
  }
}

TEST(UrlParts, TextBetweenAndBefore) {
  EXPECT_EQ(TextBetween("User-Agent: x\r\nA: b\r\n", "user-agent:", "\r\n"), " x");
  EXPECT_EQ(TextBetween("a[b]c[d]", "[", "]"), "b");
  EXPECT_EQ(TextBetween("a[b", "[", "]"), "");
  EXPECT_EQ(TextBetween("a]b", "[", "]"), "");
  EXPECT_EQ(TextBefore("a=1; path=/", ";"), "a=1");
  EXPECT_EQ(TextBefore("a=1", ";"), "");
  EXPECT_EQ(TextBefore("aXbxc", "x"), "aXb");
  EXPECT_EQ(TextBefore("aXbxc", "x", 1, true), "a");
}

TEST(RequestWorker, FlagsPortAndSession) {
  struct Case {
    const char* name;
    Text url;
    Text cookies;
    bool follow;
    Text proxy;
    std::uint32_t flags;
    int port;
  };
  const Case cases[] = {
      {"plain", kUrl, "", true, "", 0x80004010, 80},
      {"caller cookies", kUrl, "a=1", true, "", 0x80084010, 80},
      {"blank cookies are no cookies", kUrl, "  ", true, "", 0x80004010, 80},
      {"no redirects", kUrl, "", false, "", 0x80204010, 80},
      {"cookies and no redirects", "http://h:81/", "a=1", false, "", 0x80284010, 81},
      {"https ignores cookies and redirects", "https://h/", "a=1", false, "", 0x00800000, 443},
      {"https inside the query", "http://h:81/?u=HTTPS://x", "", true, "", 0x00800000, 443},
      {"through a proxy", kUrl, "", true, "proxy.local:3128", 0x80004010, 80},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    RunWorker(Record(c.url, "GET", "", "", c.cookies, c.follow, c.proxy));
    EXPECT_EQ(net.flags, c.flags) << c.name;
    EXPECT_EQ(net.port, c.port) << c.name;
    EXPECT_EQ(net.version, "HTTP/1.1") << c.name;
    if (c.proxy.empty()) {
      EXPECT_EQ(net.accessType, inet::kOpenTypeDirect) << c.name;
      EXPECT_EQ(net.proxy, "") << c.name;
    } else {
      EXPECT_EQ(net.accessType, inet::kOpenTypeProxy) << c.name;
      EXPECT_EQ(net.proxy, "http=" + c.proxy) << c.name;
    }
  }
}

TEST(RequestWorker, CompletesTheHeaderText) {
  const Text accept = fixed::DefaultAcceptLine();
  const Text referer = "Referer: " + kUrl + "\r\n";
  const Text language = fixed::DefaultLanguageLine();
  const Text form = fixed::FormContentTypeLine();
  const Text agent = fixed::DefaultAgent();
  struct Case {
    const char* name;
    Text method;
    Text headers;
    Bytes postData;
    Text cookies;
    Text expectedHeaders;
    Bytes expectedBody;
    Text expectedAgent;
  };
  const Case cases[] = {
      {"defaults", "GET", "", "", "", accept + referer + language, "", agent},
      {"an Accept-Language line counts as Accept", "GET", "Accept-Language: en\r\n", "", "",
       "Accept-Language: en\r\n" + referer, "", agent},
      {"caller's Referer kept", "GET", "Referer: http://x/\r\n", "", "", "Referer: http://x/\r\n" + accept + language,
       "", agent},
      {"RefererNo removed, its line end kept", "GET", "X-A: 1\r\nRefererNo\r\n", "", "",
       "X-A: 1\r\n\r\n" + accept + language, "", agent},
      {"User-Agent value names the session", "GET", "User-Agent:  My Agent \r\n", "", "",
       "User-Agent:  My Agent \r\n" + accept + referer + language, "", "My Agent"},
      {"User-Agent without CR LF: empty agent, line still sent", "GET", "User-Agent: Mine", "", "",
       "User-Agent: Mine" + accept + referer + language, "", ""},
      {"POST with data", "POST", "", "a=1&b=2", "", accept + referer + language + form + "Content-Length: 7\r\n",
       "a=1&b=2", agent},
      {"POST with empty data", "POST", "", "", "", accept + referer + language, "", agent},
      {"POST with the caller's Content-Length", "POST", "Content-Length: 99\r\n", "abc", "",
       "Content-Length: 99\r\n" + accept + referer + language + form, "abc", agent},
      {"POST with the caller's Content-Type", "POST", "Content-Type: text/plain\r\n", "abc", "",
       "Content-Type: text/plain\r\n" + accept + referer + language + "Content-Length: 3\r\n", "abc", agent},
      {"one cookie pair ends the text", "GET", "", "", "a=1", accept + referer + language + "Cookie: a=1\r\n\r\n", "",
       agent},
      {"blank cookie text still makes a line", "GET", "", "", " ", accept + referer + language + "Cookie:  \r\n\r\n",
       "", agent},
      {"POST data after cookies", "POST", "", "x", "s=2",
       accept + referer + language + form + "Content-Length: 1\r\nCookie: s=2\r\n\r\n", "x", agent},
      {"GET sends no body", "GET", "", "ignored", "", accept + referer + language, "", agent},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    RunWorker(Record(kUrl, c.method, c.headers, c.postData, c.cookies));
    EXPECT_EQ(net.headers, c.expectedHeaders) << c.name;
    EXPECT_EQ(net.body, c.expectedBody) << c.name;
    EXPECT_EQ(net.agent, c.expectedAgent) << c.name;
    EXPECT_EQ(net.method, c.method) << c.name;
    EXPECT_EQ(net.path, "/p") << c.name;
  }
}

TEST(RequestWorker, CallsInOrderAndAnswerInTheRecord) {
  RecordingInet net;
  net.responseBody = std::string(5000, 'b') + std::string("\0z", 2);
  net.rawHeaders = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nset-cookie: b=2\r\nX: y\r\n\r\n";
  RequestExchange answer = RunWorker(Record("http://Example.com:81/p", "POST", "H: 1\r\n", "data", "", true, "px:1"));

  EXPECT_EQ(net.calls, (Strings{"OpenSession", "Connect", "OpenRequest", "SendRequest", "ReadBody", "QueryRawHeaders",
                                "Close 3", "Close 2", "Close 1", "SetCookie", "SetCookie"}));
  EXPECT_EQ(net.host, "example.com");
  for (std::size_t size : net.readSizes) EXPECT_EQ(size, 2048u);

  ASSERT_EQ(answer.size(), kExchangeSlots);
  EXPECT_EQ(answer[0], net.responseBody);  // every byte, zero bytes included
  // Each line's pair with its ";" (a line without attributes keeps its pair).
  EXPECT_EQ(answer[1], "a=1;b=2;");
  EXPECT_EQ(answer[5], *net.rawHeaders);
  EXPECT_EQ(answer[2], "px:1");
  EXPECT_EQ(answer[3], "H: 1\r\n");
  EXPECT_EQ(answer[4], "data");
  using Set = std::tuple<Text, Text, Text>;
  EXPECT_EQ(net.cookiesSet,
            (std::vector<Set>{{"http://example.com", "a", "1; path=/"}, {"http://example.com", "b", "2"}}));
}

TEST(RequestWorker, LongRawHeadersAreKeptWithTheirCookies) {
  RecordingInet net;
  Text headers = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(3000, 'p') + "\r\nSet-Cookie: late=9; path=/\r\n\r\n";
  net.rawHeaders = headers;
  RequestExchange answer = RunWorker(Record(kUrl));
  EXPECT_EQ(answer[5], headers);
  EXPECT_EQ(answer[1], "late=9;");
  ASSERT_EQ(net.cookiesSet.size(), 1u);
}

TEST(RequestWorker, FailuresLeaveEmptySlots) {
  struct Case {
    const char* name;
    bool failSession, failConnect, failRequest;
    Strings calls;
  };
  const Case cases[] = {
      {"session", true, false, false, {"OpenSession"}},
      {"connection", false, true, false, {"OpenSession", "Connect", "Close 1"}},
      {"request", false, false, true, {"OpenSession", "Connect", "OpenRequest", "Close 2", "Close 1"}},
  };
  for (const Case& c : cases) {
    RecordingInet net;
    net.failSession = c.failSession;
    net.failConnect = c.failConnect;
    net.failRequest = c.failRequest;
    RequestExchange answer = RunWorker(Record(kUrl, "POST", "H: 1\r\n", "d", "c=1"));
    EXPECT_EQ(net.calls, c.calls) << c.name;
    EXPECT_EQ(answer, (RequestExchange{"", "", "", "H: 1\r\n", "d", "", BoolText(true)})) << c.name;
  }
}

TEST(RequestWorker, NoResponseHeadersGiveBlanksAndNoCookies) {
  RecordingInet net;
  net.rawHeaders = std::nullopt;
  RequestExchange answer = RunWorker(Record(kUrl));
  EXPECT_EQ(answer[5], std::string(2048, ' '));
  EXPECT_EQ(answer[1], "");
  EXPECT_TRUE(net.cookiesSet.empty());
}

TEST(RequestWorker, ABodyOverTheLimitIsRefusedWhole) {
  RecordingInet net;
  net.endlessBody = true;
  RequestExchange answer = RunWorker(Record(kUrl));
  EXPECT_EQ(answer[0], "");
  EXPECT_EQ(answer[5], *net.rawHeaders);
  EXPECT_EQ(net.readSizes.size(), inet::kMaxBodyBytes / 2048 + 1);
}

TEST(RequestWorker, RecordsOfOtherLengthsArePaddedOrCut) {
  {
    RecordingInet net;
    // Three slots: the missing redirect slot reads as "do not follow".
    RequestExchange answer = RunWorker({kUrl, "GET", ""});
    EXPECT_EQ(answer.size(), kExchangeSlots);
    EXPECT_EQ(net.flags, 0x80204010u);
  }
  {
    RecordingInet net;
    RequestExchange record = Record(kUrl);
    record.push_back("eighth");
    record.push_back("ninth");
    RequestExchange answer = RunWorker(record);
    EXPECT_EQ(answer.size(), kExchangeSlots);
    EXPECT_EQ(answer[6], BoolText(true));
  }
}

TEST(RequestWorker, AnUnreadableBufferIsLeftAlone) {
  RecordingInet net;
  HandOverBuffer buffer;
  buffer.Stream() = "\x05garbage";
  EXPECT_FALSE(RequestWorker(buffer));
  EXPECT_EQ(buffer.Stream(), "\x05garbage");
  EXPECT_TRUE(net.calls.empty());
}

}  // namespace
