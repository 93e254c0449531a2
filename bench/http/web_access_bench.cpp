// 2,000 sequential hide-style POSTs through WebAccess to a loopback server,
// against a bare libcurl loop that also opens a fresh connection for every
// request, both measured in this run. Prints the ratio (target: at most 1.3).
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "http/web_access.h"
#include "platform/web_session.h"
#include "text/fixed_texts.h"

namespace {

constexpr int kRequests = 2000;
// Both loops run in alternating blocks so that both see the same machine
// load; the figure is the median ratio over the rounds.
constexpr int kBlock = 100;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

size_t Discard(char*, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(size * count, ' ');
  return size * count;
}

double BareCurl(const std::string& url, const std::string& body, int requests) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < requests; ++i) {
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

double ThroughWebAccess(const std::string& url, const std::string& body, int requests) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < requests; ++i) {
    Text address = url;
    if (WebAccess(address, {.method = 1, .postData = body}) != fixed::HideSuccessReply()) {
      std::fprintf(stderr, "WebAccess request failed\n");
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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
  BareCurl(url, body, kBlock);  // warm-up of both paths
  ThroughWebAccess(url, body, kBlock);
  std::vector<double> ratios;
  double bareTotal = 0;
  double engineTotal = 0;
  double bareCpu = 0;  // client and server threads together
  double engineCpu = 0;
  for (int round = 0; round < kRounds; ++round) {
    double bare = 0;
    double engine = 0;
    for (int done = 0; done < kRequests; done += kBlock) {
      double cpu = ProcessCpuSeconds();
      bare += BareCurl(url, body, kBlock);
      bareCpu += ProcessCpuSeconds() - cpu;
      cpu = ProcessCpuSeconds();
      engine += ThroughWebAccess(url, body, kBlock);
      engineCpu += ProcessCpuSeconds() - cpu;
    }
    ratios.push_back(engine / bare);
    bareTotal += bare;
    engineTotal += engine;
  }
  std::sort(ratios.begin(), ratios.end());
  server.stop();
  serving.join();
  std::printf("%d POSTs per loop, %d rounds in blocks of %d\n", kRequests, kRounds, kBlock);
  std::printf("bare libcurl, fresh connection each: %8.1f us/request\n", bareTotal / (kRounds * kRequests) * 1e6);
  std::printf("WebAccess:                            %8.1f us/request\n", engineTotal / (kRounds * kRequests) * 1e6);
  std::printf("process CPU time ratio (client and server): %.2fx\n", engineCpu / bareCpu);
  std::printf("round ratios: %.2f .. %.2f\n", ratios.front(), ratios.back());
  std::printf("ratio WebAccess / bare libcurl: %.2fx median (target <= 1.30x)\n", ratios[ratios.size() / 2]);
  return 0;
}
