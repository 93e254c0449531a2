#include "http/request_worker.h"

#include <array>
#include <climits>
#include <string_view>

#include "http/response_decoding.h"
#include "text/fixed_texts.h"

namespace {

constexpr std::size_t kChunkBytes = 2048;
// The raw-header query's buffer size: what a failed query leaves as blanks.
constexpr long long kRawHeaderBlanks = 2048;

// Plain constants: an abandoned worker may still run while statics are torn down.
constexpr char kCrLf[] = "\r\n";
constexpr std::string_view kSetCookie = "Set-Cookie: ";  // 12 bytes with its space

// Removes every occurrence of `what` (case-sensitive, stepping over
// double-byte characters).
Text RemoveAll(Text text, const Text& what) {
  int at = FindText(text, what);
  while (at != -1) {
    text.erase(static_cast<std::size_t>(at - 1), what.size());
    at = FindText(text, what, at);
  }
  return text;
}

Text TextBeforeFirst(const Text& text, char c) {
  std::size_t at = text.find(c);
  return at == Text::npos ? text : text.substr(0, at);
}

Text CompleteHeaders(Text headers, const Text& url) {
  // Every search ignores case and matches anywhere, so an "Accept-Language"
  // line already counts as an Accept header.
  if (!ContainsText(headers, "Accept", true)) headers += fixed::DefaultAcceptLine();
  if (ContainsText(headers, "RefererNo", true)) {
    int at = FindText(headers, "RefererNo");
    if (at != -1) headers.erase(static_cast<std::size_t>(at - 1), 9);
  } else if (!ContainsText(headers, "Referer", true)) {
    headers += "Referer: " + url + kCrLf;
  }
  if (!ContainsText(headers, "Accept-Language", true)) headers += fixed::DefaultLanguageLine();
  return headers;
}

std::uint32_t RequestFlags(bool secure, const Text& cookies, bool followRedirects) {
  if (secure) return inet::kFlagSecure;
  std::uint32_t flags = inet::kFlagReload | inet::kFlagNeedFile;
  if (!TrimBlanks(cookies).empty()) flags |= inet::kFlagNoCookies;
  if (!followRedirects) flags |= inet::kFlagNoAutoRedirect;
  return flags | inet::kFlagIgnoreRedirectToHttps;
}

// The name=value pairs of the response's Set-Cookie lines, each followed by
// ";", and every cookie stored again under the request's host.
Text CollectCookies(const Text& rawHeaders, const Text& host) {
  Text collected;
  if (!ContainsText(rawHeaders, kSetCookie, true)) return collected;
  std::size_t at = 0;
  while (at < rawHeaders.size()) {
    std::size_t end = rawHeaders.find('\n', at);
    if (end == Text::npos) end = rawHeaders.size();
    Text line = rawHeaders.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!ContainsText(line, kSetCookie, true)) continue;
    Text rest = line.substr(kSetCookie.size());
    // A cookie without attributes has no ";": its whole rest is the pair.
    Text pair = ContainsText(rest, ";") ? TextBefore(rest, ";") : rest;
    collected += pair + ";";
    Text name;
    Text data = rest;
    if (std::size_t equals = rest.find('='); equals != Text::npos) {
      name = rest.substr(0, equals);
      data = rest.substr(equals + 1);
    }
    inet::Internet().SetCookie("http://" + host, name, data);
  }
  return collected;
}

}  // namespace

Text TextBetween(const Text& text, const Text& left, const Text& right, int start, bool ignoreCase) {
  int l = FindText(text, left, start, ignoreCase);
  if (l == -1) return {};
  int from = l + static_cast<int>(left.size());
  int r = FindText(text, right, from, ignoreCase);
  if (r == -1) return {};
  return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(r - from));
}

Text TextBefore(const Text& text, const Text& delimiter, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  int at = FindText(text, delimiter, start, ignoreCase);
  if (at == -1) return {};
  return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(at - start));
}

Text HostOfUrl(const Text& url) {
  Text rest = RemoveAll(RemoveAll(url, "https://"), "http://");
  rest = AsciiLower(TextBeforeFirst(rest, '/'));
  return AsciiLower(TextBeforeFirst(rest, ':'));
}

Text PathOfUrl(const Text& url) {
  // The host is looked for after the scheme: a host such as "h" or "tp"
  // would otherwise be found inside "http://" itself.
  Text lowered = AsciiLower(url.substr(0, 8));
  int after = lowered.compare(0, 7, "http://") == 0 ? 8 : lowered.compare(0, 8, "https://") == 0 ? 9 : 1;
  int hostAt = FindText(url, HostOfUrl(url), after, true);
  if (hostAt == -1) return "/";
  int slash = FindText(url, "/", hostAt);
  if (slash == -1) return "/";
  return url.substr(static_cast<std::size_t>(slash - 1));
}

int PortOfUrl(const Text& url) {
  Text authority;
  if (AsciiLower(url.substr(0, 7)) != "http://") {
    authority = TextBeforeFirst(url, '/');
  } else {
    int slash = FindText(url, "/", 8);
    authority = slash == -1 ? url.substr(7) : url.substr(7, static_cast<std::size_t>(slash - 8));
  }
  std::size_t colon = authority.find(':');
  Text portText = colon == Text::npos ? Text("80") : authority.substr(colon + 1);
  long long port = 0;
  for (char c : portText) {
    if (c < '0' || c > '9') break;
    port = port * 10 + (c - '0');
    if (port > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(port);
}

bool RequestWorker(HandOverBuffer& buffer, const std::shared_ptr<inet::Cancellation>& cancel) {
  buffer.Rewind();
  std::optional<RequestExchange> read = buffer.Read();
  if (!read) return false;
  RequestExchange record = std::move(*read);
  record.resize(kExchangeSlots);

  const Text url = TextOf(record[0]);
  const Text method = TextOf(record[1]);
  const Bytes& proxy = record[2];
  Text headers = TextOf(record[3]);
  const Bytes postData = record[4];
  const Text cookies = TextOf(record[5]);
  const bool followRedirects = record[6] == BoolText(true);
  const bool secure = ContainsText(AsciiLower(url), "https://");
  const Text host = HostOfUrl(url);
  const Text path = PathOfUrl(url);

  // The caller's User-Agent line stays in the header text; its value (up to
  // CR LF, empty without one) also names the session.
  Text agent = fixed::DefaultAgent();
  if (ContainsText(headers, "User-Agent:", true)) agent = TrimBlanks(TextBetween(headers, "User-Agent:", kCrLf));

  inet::Inet& net = inet::Internet();
  inet::Handle session = proxy.empty() ? net.OpenSession(agent, inet::kOpenTypeDirect, "", cancel)
                                       : net.OpenSession(agent, inet::kOpenTypeProxy, "http=" + TextOf(proxy), cancel);
  inet::Handle connection = 0;
  inet::Handle request = 0;
  if (session) connection = net.Connect(session, host, secure ? 443 : PortOfUrl(url));
  if (connection) {
    request = net.OpenRequest(connection, method, path, "HTTP/1.1", RequestFlags(secure, cookies, followRedirects));
  }

  if (!request) {
    // Nothing was sent: no body, no cookies, no headers.
    if (connection) net.Close(connection);
    if (session) net.Close(session);
    record[0].clear();
    record[1].clear();
    record[5].clear();
  } else {
    headers = CompleteHeaders(headers, url);
    bool post = method == "POST";
    if (post && !postData.empty()) {
      if (!ContainsText(headers, "Content-Type", true)) headers += fixed::FormContentTypeLine();
      if (!ContainsText(headers, "Content-Length", true)) {
        headers += "Content-Length: " + DecimalText(static_cast<long long>(postData.size())) + kCrLf;
      }
    }
    // The untrimmed text decides here: blanks still make a cookie line.
    if (!cookies.empty()) headers += "Cookie: " + cookies + kCrLf + kCrLf;
    net.SendRequest(request, headers, post ? postData : Bytes());

    Bytes body;
    std::array<char, kChunkBytes> chunk{};
    for (;;) {
      chunk.fill('\0');
      std::size_t got = 0;
      if (!net.ReadBody(request, chunk.data(), chunk.size(), got) || got == 0) break;
      if (body.size() + got > inet::kMaxBodyBytes) {
        body.clear();  // refused whole: a cut body could pass for a real one
        break;
      }
      body.append(chunk.data(), got);
    }
    record[0] = std::move(body);

    std::optional<Text> rawHeaders = net.QueryRawHeaders(request);
    record[5] = rawHeaders ? TextOf(*rawHeaders) : BlankText(kRawHeaderBlanks);

    net.Close(request);
    net.Close(connection);
    net.Close(session);

    record[1] = rawHeaders ? CollectCookies(record[5], host) : Text();
  }

  buffer.Rewind();
  return buffer.Write(record);
}
