#include "platform/inet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <string_view>
#include <vector>

#include "platform/web_session.h"

namespace inet {

void Cancellation::Cancel() {
  std::lock_guard lock(mutex_);
  cancelled_.store(true, std::memory_order_release);
  if (wake_) wake_();
}

std::chrono::milliseconds Cancellation::WaitAtMost(std::chrono::milliseconds longest) const {
  const auto deadline = deadline_.load();
  if (deadline == kNoDeadline) return longest;
  const auto left = Clock::duration(deadline) - Clock::now().time_since_epoch();
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left);
  return std::clamp(ms, std::chrono::milliseconds(0), longest);
}

void Cancellation::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

namespace {

// Everything a handle stands for; requests copy what they need from their
// connection and session, so the handles may be closed in any order.
struct Object {
  virtual ~Object() = default;
};

struct Session : Object {
  Text agent;
  int accessType = kOpenTypeDirect;
  Text proxy;
  std::shared_ptr<Cancellation> cancel;
};

struct Connection : Object {
  Session session;
  Text host;
  int port = 0;
};

struct Request : Object {
  Connection connection;
  Text method;
  Text path;
  Text version;
  std::uint32_t flags = 0;
  Bytes postData;
  curl_slist* headerList = nullptr;
  Text rawHeaders;
  Bytes body;
  std::size_t readAt = 0;
  bool sent = false;
  bool refused = false;  // body or headers over the limits
  ~Request() override { curl_slist_free_all(headerList); }
};

template <typename T>
T* As(Handle handle) {
  return dynamic_cast<T*>(reinterpret_cast<Object*>(handle));
}

Handle HandleOf(Object* object) {
  return reinterpret_cast<Handle>(object);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The header text as libcurl header lines. A line without a name is not a
// header and is left out; "Name:" with no value goes out as an empty header
// (libcurl reads "Name:" as "drop this header" and "Name;" as empty).
std::vector<std::string> HeaderLines(const Text& headers) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < headers.size()) {
    std::size_t end = headers.find('\n', at);
    if (end == Text::npos) end = headers.size();
    std::string line = headers.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t colon = line.find(':');
    if (line.empty() || colon == std::string::npos || colon == 0) continue;
    if (line.find_first_not_of(" \t", colon + 1) == std::string::npos) line = line.substr(0, colon) + ";";
    lines.push_back(line);
  }
  return lines;
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    std::size_t end = line.find_first_of(":;");
    if (SameName(std::string_view(line).substr(0, end), name)) return true;
  }
  return false;
}

// Bytes a URL may not carry as they are (blanks, controls, non-ASCII GBK
// bytes) are percent-encoded; everything else, "%" included, is kept.
std::string EscapePath(const Text& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' || c == '{' ||
        c == '|' || c == '}') {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 0xF];
    } else {
      out += c;
    }
  }
  if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
  return out;
}

// "http=host:port https=host:port" or a plain "host:port" for every scheme:
// the proxy for one scheme, empty when none applies.
std::string ProxyFor(const Text& list, std::string_view scheme) {
  std::string any;
  std::size_t at = 0;
  while (at < list.size()) {
    std::size_t end = list.find_first_of(" ;", at);
    if (end == Text::npos) end = list.size();
    std::string entry = list.substr(at, end - at);
    at = end + 1;
    if (entry.empty()) continue;
    std::size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (any.empty()) any = entry;
    } else if (SameName(std::string_view(entry).substr(0, equals), scheme)) {
      return entry.substr(equals + 1);
    }
  }
  return any;
}

// The directory of the URL's path: "/" for "http://host" or "http://host/x".
Text DefaultPath(const Text& url) {
  std::size_t scheme = url.find("://");
  std::size_t pathAt = url.find('/', scheme == Text::npos ? 0 : scheme + 3);
  if (pathAt == Text::npos) return "/";
  Text path = url.substr(pathAt, url.find_first_of("?#", pathAt) - pathAt);
  std::size_t last = path.rfind('/');
  return last == 0 ? Text("/") : path.substr(0, last);
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  size_t n = size * count;
  if (request->body.size() + n > kMaxBodyBytes) {
    request->refused = true;
    return 0;  // stops the transfer
  }
  request->body.append(data, n);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  // A status line starts a new response (after a redirect or an interim
  // 100 Continue): only the last response's headers are kept.
  if (line.substr(0, 5) == "HTTP/") request->rawHeaders.clear();
  if (request->rawHeaders.size() + n > kMaxHeaderBytes) {
    request->refused = true;
    return 0;
  }
  request->rawHeaders.append(data, n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* request = static_cast<Request*>(user);
  const auto& cancel = request->connection.session.cancel;
  return (cancel && cancel->IsCancelled()) ? 1 : 0;
}

bool Cancelled(const Session& session) {
  return session.cancel && session.cancel->IsCancelled();
}

class CurlImplementation : public Inet {
 public:
  Handle OpenSession(const Text& agent, int accessType, const Text& proxy,
                     std::shared_ptr<Cancellation> cancel) override {
    if (accessType != kOpenTypeDirect && accessType != kOpenTypeProxy) return 0;
    EnsureCurlReady();
    auto* session = new Session;
    session->agent = agent;
    session->accessType = accessType;
    session->proxy = proxy;
    session->cancel = std::move(cancel);
    return HandleOf(session);
  }

  Handle Connect(Handle sessionHandle, const Text& host, int port) override {
    Session* session = As<Session>(sessionHandle);
    if (!session || Cancelled(*session) || host.empty() || port <= 0 || port > 65535) return 0;
    for (char c : host) {
      if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '@' || c == '?' || c == '#') return 0;
    }
    auto* connection = new Connection;
    connection->session = *session;
    connection->host = host;
    connection->port = port;
    return HandleOf(connection);
  }

  Handle OpenRequest(Handle connectionHandle, const Text& method, const Text& path, const Text& version,
                     std::uint32_t flags) override {
    Connection* connection = As<Connection>(connectionHandle);
    if (!connection || Cancelled(connection->session) || method.empty()) return 0;
    auto* request = new Request;
    request->connection = *connection;
    request->method = method;
    request->path = path;
    request->version = version;
    request->flags = flags;
    return HandleOf(request);
  }

  bool SendRequest(Handle requestHandle, const Text& headers, const Bytes& body) override {
    Request* request = As<Request>(requestHandle);
    if (!request || request->sent) return false;
    request->sent = true;
    const Session& session = request->connection.session;
    if (Cancelled(session)) return false;
    CURL* easy = curl_easy_init();
    if (!easy) return false;
    Configure(*request, easy, headers, body);
    Perform(*request, easy);
    curl_easy_cleanup(easy);
    if (request->refused || Cancelled(session)) {
      request->body.clear();
      request->rawHeaders.clear();
    }
    return !request->rawHeaders.empty();
  }

  bool ReadBody(Handle requestHandle, char* buffer, std::size_t size, std::size_t& read) override {
    read = 0;
    Request* request = As<Request>(requestHandle);
    if (!request || !request->sent || request->refused || Cancelled(request->connection.session)) return false;
    std::size_t n = std::min(size, request->body.size() - request->readAt);
    request->body.copy(buffer, n, request->readAt);
    request->readAt += n;
    read = n;
    return true;
  }

  std::optional<Text> QueryRawHeaders(Handle requestHandle) override {
    Request* request = As<Request>(requestHandle);
    if (!request || request->rawHeaders.empty()) return std::nullopt;
    return request->rawHeaders;
  }

  void Close(Handle handle) override { delete reinterpret_cast<Object*>(handle); }

  bool SetCookie(const Text& url, const Text& name, const Text& data) override {
    // Without a path attribute a cookie takes the URL's default path. Said
    // explicitly, so that the store replaces the same cookie that libcurl
    // kept from the response instead of holding it twice.
    Text withPath = data;
    std::size_t semi = data.find(';');
    Text attributes = semi == Text::npos ? Text() : data.substr(semi);
    if (AsciiLower(attributes).find("path=") == Text::npos) withPath += "; path=" + DefaultPath(url);
    StoreCookieForUrl(url, name, withPath);
    return true;
  }

 private:
  static void Configure(Request& request, CURL* easy, const Text& headers, const Bytes& body) {
    const Connection& connection = request.connection;
    const Session& session = connection.session;
    bool secure = (request.flags & kFlagSecure) != 0;
    std::string scheme = secure ? "https" : "http";
    std::string url =
        scheme + "://" + connection.host + ":" + std::to_string(connection.port) + EscapePath(request.path);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A direct session ignores the proxy environment variables.
    std::string proxy = session.accessType == kOpenTypeProxy ? ProxyFor(session.proxy, scheme) : "";
    if (!proxy.empty() && proxy.find("://") == std::string::npos) proxy = "http://" + proxy;
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     request.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    bool follow = (request.flags & kFlagNoAutoRedirect) == 0;
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
    if ((request.flags & kFlagNoCookies) == 0) UseSharedCookies(easy);
    if (!session.agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, session.agent.c_str());

    // Only the header text goes out (and Host): libcurl's own Accept, Expect
    // and form Content-Type are removed unless the text has its own.
    std::vector<std::string> lines = HeaderLines(headers);
    for (const char* own : {"Accept", "Expect", "Content-Type"}) {
      if (!HasHeader(lines, own)) lines.push_back(std::string(own) + ":");
    }
    for (const std::string& line : lines) request.headerList = curl_slist_append(request.headerList, line.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.headerList);

    request.postData = body;
    if (request.method == "GET") {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
      if (request.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
      } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
      }
      if (request.method == "POST" || !request.postData.empty()) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.postData.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.postData.data());
      }
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &request);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  }

  // Runs the transfer on a multi handle so that a cancellation from another
  // thread wakes the wait at once instead of at the next progress tick.
  static void Perform(Request& request, CURL* easy) {
    const auto& cancel = request.connection.session.cancel;
    if (cancel && cancel->HasDeadline()) {
      // Run on its caller's own thread: no other thread will cancel it, the
      // deadline alone ends it, and the plain transfer needs no wake-up pipe.
      const auto left = cancel->WaitAtMost(std::chrono::milliseconds(std::numeric_limits<int>::max()));
      if (left.count() <= 0) return;
      curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
      curl_easy_perform(easy);
      return;
    }
    CURLM* multi = curl_multi_init();
    if (!multi) return;
    curl_multi_add_handle(multi, easy);
    if (cancel) cancel->SetWake([multi] { curl_multi_wakeup(multi); });
    int running = 1;
    while (running > 0 && !(cancel && cancel->IsCancelled())) {
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      const int waitMs = cancel ? static_cast<int>(cancel->WaitAtMost(std::chrono::milliseconds(1000)).count()) : 1000;
      if (running > 0 && curl_multi_poll(multi, nullptr, 0, waitMs, nullptr) != CURLM_OK) break;
    }
    if (cancel) cancel->SetWake({});
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
  }
};

std::atomic<Inet*> installed{nullptr};

}  // namespace

Inet& CurlInet() {
  // Never destroyed: an abandoned request thread may still call it while the
  // process ends.
  static Inet* implementation = new CurlImplementation;
  return *implementation;
}

Inet& Internet() {
  Inet* instance = installed.load();
  return instance ? *instance : CurlInet();
}

void InstallInet(Inet* instance) {
  installed.store(instance);
}

}  // namespace inet
