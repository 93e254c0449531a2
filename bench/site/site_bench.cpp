// Serving an answer-list page against serving a fixed reply of the same size
// from the same server, both over loopback HTTP in the same run.
//
// An account of 10,000 answers gives 400 pages; every page is fetched once per
// round, each right after a fetch of the fixed reply, so both see the same
// connection set-up, kernel and client costs. The ratio of the medians is the
// cost of building a page on top of serving bytes.

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/web_session.h"
#include "site/stand_in_site.h"
#include "text/fixed_texts.h"

namespace {

size_t Append(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

struct Client {
  CURL* handle = curl_easy_init();
  std::string body;
  explicit Client(const std::string& cookie) {
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_COOKIE, cookie.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  }
  ~Client() { curl_easy_cleanup(handle); }
  // Seconds for one GET; the body is left in `body`.
  double Get(const std::string& url) {
    body.clear();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    auto start = std::chrono::steady_clock::now();
    CURLcode code = curl_easy_perform(handle);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (code != CURLE_OK) std::fprintf(stderr, "GET %s: %s\n", url.c_str(), curl_easy_strerror(code));
    return seconds;
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  EnsureCurlReady();
  constexpr int kAnswers = 10000;
  constexpr int kRounds = 3;
  site::StandInSite server;
  server.AddAccount(site::StandInSite::GenerateAccount("bench", "bench", kAnswers));
  if (!server.Start()) {
    std::fprintf(stderr, "site_bench: cannot start the site\n");
    return 1;
  }
  const std::string session = server.Session("bench");
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
  // The fixed reply: a full page's bytes, served without building anything.
  const Bytes sample = server.AnswerPage(session, 0);
  server.AddStaticRoute("/bench/static", sample);

  Client client(server.SessionCookieName() + "=" + session);
  std::vector<double> pageTimes;
  std::vector<double> staticTimes;
  int pages = 0;
  size_t pageBytes = 0;
  bool endSeen = false;
  for (int round = 0; round < kRounds; ++round) {
    for (int pn = 0;; pn += fixed::kPageStep) {
      staticTimes.push_back(client.Get(base + "/bench/static"));
      pageTimes.push_back(client.Get(base + fixed::AnswerPagePath() + std::to_string(pn)));
      if (client.body.find(fixed::EndMarker()) != std::string::npos) {
        endSeen = true;
        break;
      }
      if (round == 0) {
        ++pages;
        pageBytes += client.body.size();
      }
      if (pn > kAnswers * 2) break;
    }
    server.ClearRequests();
  }
  // Page building alone, in process, against copying the same bytes.
  std::vector<double> buildTimes;
  for (int pn = 0; pn < kAnswers; pn += fixed::kPageStep) {
    auto start = std::chrono::steady_clock::now();
    Bytes page = server.AnswerPage(session, pn);
    buildTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  server.Stop();

  double page = Median(pageTimes);
  double fixedReply = Median(staticTimes);
  std::printf("site_bench: %d answers, %d pages of %zu bytes on average, end marker %s\n", kAnswers, pages,
              pages ? pageBytes / static_cast<size_t>(pages) : 0, endSeen ? "seen" : "MISSING");
  std::printf("  answer page over HTTP:   median %.1f us\n", page * 1e6);
  std::printf("  fixed %zu-byte reply:    median %.1f us (baseline, same server, same run)\n", sample.size(),
              fixedReply * 1e6);
  std::printf("  page building in process: median %.1f us\n", Median(buildTimes) * 1e6);
  std::printf("  ratio page / fixed reply: %.2f\n", page / fixedReply);
  return endSeen && pages == kAnswers / fixed::kPageStep ? 0 : 1;
}
