#include "platform/inet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/web_session.h"
#include "support/raw_http_server.h"

namespace {

using test_support::RawHttpServer;
using test_support::RecordedRequest;
using test_support::ScriptedReply;
using namespace inet;

constexpr std::uint32_t kPlain = kFlagReload | kFlagNeedFile | kFlagIgnoreRedirectToHttps;

// One request through the libcurl layer: session, connection, request, send,
// the whole body in small reads, close.
struct Exchange {
  bool sent = false;
  Bytes body;
  std::optional<Text> headers;
};

Exchange Perform(const Text& host, int port, const Text& path, std::uint32_t flags, const Text& headerText = "",
                 const Text& version = "HTTP/1.1", int accessType = kOpenTypeDirect, const Text& proxy = "") {
  Inet& net = CurlInet();
  Exchange result;
  Handle session = net.OpenSession("Agent/1", accessType, proxy, nullptr);
  Handle connection = net.Connect(session, host, port);
  Handle request = net.OpenRequest(connection, "GET", path, version, flags);
  EXPECT_NE(request, 0u);
  result.sent = net.SendRequest(request, headerText, "");
  char chunk[7];
  std::size_t read = 0;
  while (net.ReadBody(request, chunk, sizeof chunk, read) && read > 0) result.body.append(chunk, read);
  result.headers = net.QueryRawHeaders(request);
  net.Close(request);
  net.Close(connection);
  net.Close(session);
  return result;
}

TEST(CurlInet, SendsTheHeaderTextAndReadsTheBodyInChunks) {
  RawHttpServer server(ScriptedReply::Answer("a body of some length", "X-Reply: 1\r\n"));
  Exchange exchange = Perform("127.0.0.1", server.Port(), "/a b/\xD6\xD0?q=1", kPlain,
                              "Accept-Language: zh-cn\r\nX-One: 1\r\n\r\n", "HTTP/1.0");
  EXPECT_TRUE(exchange.sent);
  EXPECT_EQ(exchange.body, "a body of some length");
  ASSERT_TRUE(exchange.headers);
  EXPECT_EQ(exchange.headers->substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_NE(exchange.headers->find("X-Reply: 1\r\n"), Text::npos);
  ASSERT_EQ(server.Requests().size(), 1u);
  RecordedRequest request = server.Requests()[0];
  // Blanks and GBK bytes are escaped; no Accept or Expect of libcurl's own.
  EXPECT_EQ(request.requestLine, "GET /a%20b/%D6%D0?q=1 HTTP/1.0");
  EXPECT_EQ(request.headers, (std::vector<std::string>{"Host: 127.0.0.1:" + std::to_string(server.Port()),
                                                       "User-Agent: Agent/1", "Accept-Language: zh-cn", "X-One: 1"}));
}

TEST(CurlInet, SharedCookiesUnlessTurnedOff) {
  ClearCookies();
  RawHttpServer server(ScriptedReply::Answer("", "Set-Cookie: fromReply=1\r\n"));
  StoreCookie({.domain = "127.0.0.1", .name = "stored", .value = "s"});
  Perform("127.0.0.1", server.Port(), "/", kPlain | kFlagNoCookies);
  Perform("127.0.0.1", server.Port(), "/", kPlain);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[0].Header("Cookie"), "");
  EXPECT_EQ(server.Requests()[1].Header("Cookie"), "stored=s");
  // Only the request that used the store kept the reply's cookie.
  int kept = 0;
  for (const Cookie& c : StoredCookies()) kept += c.name == "fromReply";
  EXPECT_EQ(kept, 1);
  ClearCookies();
}

TEST(CurlInet, ProxyPerScheme) {
  RawHttpServer proxy(ScriptedReply::Answer("via proxy"));
  Exchange exchange = Perform("example.invalid", 8080, "/p", kPlain, "", "HTTP/1.1", kOpenTypeProxy,
                              "http=127.0.0.1:" + std::to_string(proxy.Port()));
  EXPECT_EQ(exchange.body, "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "GET http://example.invalid:8080/p HTTP/1.1");
  EXPECT_EQ(proxy.Requests()[0].Header("Host"), "example.invalid:8080");
}

TEST(CurlInet, RejectsWhatCannotBeAddressed) {
  Inet& net = CurlInet();
  EXPECT_EQ(net.OpenSession("a", 2, "", nullptr), 0u);
  Handle session = net.OpenSession("a", kOpenTypeDirect, "", nullptr);
  ASSERT_NE(session, 0u);
  for (auto [host, port] : {std::pair<Text, int>{"h", 0}, {"h", 65536}, {"", 80}, {"a b", 80}, {"u@h", 80}}) {
    EXPECT_EQ(net.Connect(session, host, port), 0u) << host << ":" << port;
  }
  net.Close(session);
}

TEST(CurlInet, CancellationEndsABlockedSendAtOnce) {
  RawHttpServer server(ScriptedReply::Stall());
  Inet& net = CurlInet();
  auto cancel = std::make_shared<Cancellation>();
  Handle session = net.OpenSession("a", kOpenTypeDirect, "", cancel);
  Handle connection = net.Connect(session, "127.0.0.1", server.Port());
  Handle request = net.OpenRequest(connection, "GET", "/", "HTTP/1.1", kPlain);
  auto send = std::async(std::launch::async, [&] { return net.SendRequest(request, "", ""); });
  ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(10)));
  cancel->Cancel();
  // Not a speed figure: a send that ignored the cancellation would block
  // until the test's own time-out.
  ASSERT_EQ(send.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_FALSE(send.get());
  std::size_t read = 1;
  char chunk[16];
  EXPECT_FALSE(net.ReadBody(request, chunk, sizeof chunk, read));
  EXPECT_EQ(read, 0u);
  net.Close(request);
  net.Close(connection);
  net.Close(session);
}

}  // namespace
