// 2,000 sequential hide-style POSTs through WebAccess to a loopback server,
// against a bare libcurl loop that also opens a fresh connection for every
// request, both measured in this run. Prints the ratio (target: at most 1.3).
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "http/web_access.h"
#include "platform/web_session.h"
#include "text/fixed_texts.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

size_t Discard(char*, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(size * count, ' ');
  return size * count;
}

double BareCurl(const std::string& url, const std::string& body) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kRequests; ++i) {
    CURL* easy = curl_easy_init();  // a new handle: a new connection
    std::string reply;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    if (curl_easy_perform(easy) != CURLE_OK || reply.size() != fixed::HideSuccessReply().size()) {
      std::fprintf(stderr, "baseline request failed\n");
      std::exit(1);
    }
    curl_easy_cleanup(easy);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double ThroughWebAccess(const std::string& url, const std::string& body) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kRequests; ++i) {
    Text address = url;
    if (WebAccess(address, {.method = 1, .postData = body}) != fixed::HideSuccessReply()) {
      std::fprintf(stderr, "WebAccess request failed\n");
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  EnsureCurlReady();
  httplib::Server server;
  server.Post("/submit/user", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(fixed::HideSuccessReply(), "text/html");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/submit/user";
  const std::string body = "cm=100121&co=1234567890+abcdef0123456789";
  BareCurl(url, body);  // warm-up of both paths
  ThroughWebAccess(url, body);
  double bare = 1e9;
  double engine = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    bare = std::min(bare, BareCurl(url, body));
    engine = std::min(engine, ThroughWebAccess(url, body));
  }
  server.stop();
  serving.join();
  std::printf("%d POSTs, best of %d rounds\n", kRequests, kRounds);
  std::printf("bare libcurl, fresh connection each: %8.1f us/request\n", bare / kRequests * 1e6);
  std::printf("WebAccess:                            %8.1f us/request\n", engine / kRequests * 1e6);
  std::printf("ratio WebAccess / bare libcurl: %.2fx (target <= 1.30x)\n", engine / bare);
  return 0;
}
