#pragma once

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/web_session.h"
#include "site/stand_in_site.h"
#include "text/gbk_text.h"

// What the site tests share: a plain libcurl client (no shared cookie store,
// no proxy) for the requests SimpleHttpGet does not make, and a reference
// extraction to read the fields back out of a page.
namespace site_test {

struct CurlReply {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string headers;  // every header line as received
  std::string body;
};

inline size_t AppendTo(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// GET when `body` is null, else POST of exactly those bytes. `cookie` is a
// "name=value" Cookie header value (empty: none). Redirects are not followed.
inline CurlReply Fetch(const std::string& url, const std::string* body, const std::string& cookie,
                       std::vector<std::string> extraHeaders = {}, long timeoutMs = 20000) {
  EnsureCurlReady();
  CurlReply reply;
  CURL* h = curl_easy_init();
  curl_slist* headers = nullptr;
  for (const std::string& line : extraHeaders) headers = curl_slist_append(headers, line.c_str());
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeoutMs);
  if (!cookie.empty()) curl_easy_setopt(h, CURLOPT_COOKIE, cookie.c_str());
  if (body) {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  }
  if (headers) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, AppendTo);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &reply.headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendTo);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply.body);
  reply.code = curl_easy_perform(h);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  return reply;
}

inline CurlReply Get(const std::string& url, const std::string& cookie = {}) {
  return Fetch(url, nullptr, cookie);
}

inline CurlReply Post(const std::string& url, const std::string& body, const std::string& cookie) {
  return Fetch(url, &body, cookie);
}

// Every text between `left` and the nearest `right` after it on the same line,
// ASCII letters compared without case: how the program reads the fields.
inline std::vector<std::string> Between(const std::string& page, const std::string& left, const std::string& right) {
  std::vector<std::string> found;
  size_t lineStart = 0;
  while (lineStart < page.size()) {
    size_t lineEnd = page.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = page.size();
    std::string line = page.substr(lineStart, lineEnd - lineStart);
    int from = 1;
    for (;;) {
      int l = FindText(line, left, from, true);
      if (l < 0) break;
      int r = FindText(line, right, l + static_cast<int>(left.size()), true);
      if (r < 0) break;
      size_t start = static_cast<size_t>(l - 1) + left.size();
      found.push_back(line.substr(start, static_cast<size_t>(r - 1) - start));
      from = r + static_cast<int>(right.size());
    }
    lineStart = lineEnd + 1;
  }
  return found;
}

// How often `what` occurs in `text`, ASCII letters compared without case.
inline int Occurrences(const std::string& text, const std::string& what) {
  int count = 0;
  for (int at = FindText(text, what, 1, true); at > 0; at = FindText(text, what, at + 1, true)) ++count;
  return count;
}

// The session cookie in the process-wide store, as the login browser leaves it.
inline void LogIn(const site::StandInSite& server, const std::string& accountName) {
  StoreCookie({.domain = "127.0.0.1", .name = server.SessionCookieName(), .value = server.Session(accountName)});
}

// Sends `request` as it stands on a fresh connection and returns every byte of
// the reply. With `halfClose` the sending side is shut right after the request.
inline std::string RawExchange(int port, const std::string& request, bool halfClose = false) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    if (halfClose) shutdown(fd, SHUT_WR);
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char buffer[8192];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return reply;
}

inline std::string Base(const site::StandInSite& server) {
  return "http://127.0.0.1:" + std::to_string(server.Port());
}

}  // namespace site_test
