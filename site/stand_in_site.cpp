#include "site/stand_in_site.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>

#include "site/site_pages.h"
#include "text/fixed_texts.h"

namespace site {
namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;
constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;
// A client that sends nothing for this long loses its connection.
constexpr int kIdleMilliseconds = 15000;

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return AsciiLower(a) == AsciiLower(b);
}

std::string TrimmedBlanks(std::string_view text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(start, end - start + 1));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Form and query decoding: "%XY" to its byte, "+" to a space when `plusIsSpace`.
std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      int high = HexValue(text[i + 1]);
      int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += (plusIsSpace && c == '+') ? ' ' : c;
  }
  return out;
}

// The raw (still encoded) value of `key` in "a=1&b&c=3", or nullopt-like false.
bool QueryValue(std::string_view query, std::string_view key, std::string& value) {
  size_t pos = 0;
  while (pos <= query.size()) {
    size_t amp = query.find('&', pos);
    std::string_view item = query.substr(pos, amp == std::string_view::npos ? std::string_view::npos : amp - pos);
    size_t eq = item.find('=');
    if (item.substr(0, eq) == key) {
      value = eq == std::string_view::npos ? std::string() : std::string(item.substr(eq + 1));
      return true;
    }
    if (amp == std::string_view::npos) break;
    pos = amp + 1;
  }
  return false;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 411:
      return "Length Required";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

// Waits until `socket` is ready for `events` or the wake pipe fires or the time runs out.
// Returns the socket's revents, 0 on time-out, -1 when woken for stopping.
int WaitSocket(int socket, short events, int wakeFd, int milliseconds) {
  pollfd fds[2] = {{socket, events, 0}, {wakeFd, POLLIN, 0}};
  for (;;) {
    int n = poll(fds, 2, milliseconds);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    if (fds[1].revents) return -1;
    return fds[0].revents;
  }
}

bool SendAll(int socket, std::string_view data, int wakeFd) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (WaitSocket(socket, POLLOUT, wakeFd, kIdleMilliseconds) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

// Reads what is there (waiting at most the idle time); 0 bytes: closed, woken or idle.
ssize_t ReceiveSome(int socket, char* buffer, size_t size, int wakeFd) {
  for (;;) {
    ssize_t n = recv(socket, buffer, size, 0);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return 0;
    if (WaitSocket(socket, POLLIN, wakeFd, kIdleMilliseconds) <= 0) return 0;
  }
}

struct ParsedRequest {
  RecordedRequest record;
  int refusal = 0;  // a status to refuse the request with; 0: it is whole
};

// Reads one request: head up to the blank line, then Content-Length bytes of body.
ParsedRequest ReadRequest(int socket, int wakeFd) {
  ParsedRequest parsed;
  std::string data;
  char buffer[16384];
  size_t headEnd = std::string::npos;
  size_t separator = 4;
  while (headEnd == std::string::npos) {
    if (data.size() > kMaxHeadBytes) return parsed;
    ssize_t n = ReceiveSome(socket, buffer, sizeof buffer, wakeFd);
    if (n <= 0) return parsed;
    data.append(buffer, static_cast<size_t>(n));
    headEnd = data.find("\r\n\r\n");
    separator = 4;
    if (headEnd == std::string::npos) {
      headEnd = data.find("\n\n");  // bare line feeds, as some hand-made clients send
      separator = 2;
    }
  }
  RecordedRequest& record = parsed.record;
  record.rawHead = data.substr(0, headEnd + separator);
  std::string head = data.substr(0, headEnd);
  std::string body = data.substr(headEnd + separator);

  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos <= head.size()) {
    size_t nl = head.find('\n', pos);
    std::string line = head.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
  record.requestLine = lines.empty() ? std::string() : lines[0];
  size_t contentLength = 0;
  bool expectContinue = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !record.headers.empty()) {
      record.headers.back().second += " " + TrimmedBlanks(line);  // obsolete line folding
      continue;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    std::string value = TrimmedBlanks(std::string_view(line).substr(colon + 1));
    if (EqualsIgnoreCase(name, "Content-Length")) {
      auto result = std::from_chars(value.data(), value.data() + value.size(), contentLength);
      if (result.ec != std::errc() || result.ptr != value.data() + value.size()) parsed.refusal = 400;
      if (contentLength > kMaxBodyBytes) parsed.refusal = 413;
    } else if (EqualsIgnoreCase(name, "Transfer-Encoding")) {
      parsed.refusal = 411;  // the site takes sized bodies only
    } else if (EqualsIgnoreCase(name, "Expect") && EqualsIgnoreCase(value, "100-continue")) {
      expectContinue = true;
    }
    record.headers.emplace_back(std::move(name), std::move(value));
  }
  if (parsed.refusal) return parsed;
  if (expectContinue && body.size() < contentLength) {
    SendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n", wakeFd);
  }
  while (body.size() < contentLength) {
    ssize_t n = ReceiveSome(socket, buffer, sizeof buffer, wakeFd);
    if (n <= 0) break;
    body.append(buffer, static_cast<size_t>(n));
  }
  if (body.size() > contentLength) body.resize(contentLength);
  record.body = std::move(body);
  if (record.body.size() != contentLength) parsed.refusal = 400;
  return parsed;
}

// Filler for the oversized-headers fault: > 2 KB of headers, several Set-Cookie lines.
std::vector<std::pair<std::string, std::string>> HugeHeaderLines() {
  std::vector<std::pair<std::string, std::string>> lines;
  for (int i = 0; i < 6; ++i) {
    std::string value =
        "TRACK" + DecimalText(i) + "=" + std::string(300, static_cast<char>('a' + i)) + "; Path=/; Max-Age=3600";
    lines.emplace_back("Set-Cookie", value);
  }
  lines.emplace_back("X-Trace", std::string(600, 'x'));
  lines.emplace_back("P3P", "CP=\" OTI DSP COR IVA OUR IND COM \"");
  lines.emplace_back("Tracecode", "04455138061173491978121120");
  return lines;
}

// The account whose session cookie this is (const or not, as the accounts are).
template <class Accounts>
auto FindBySession(Accounts& accounts, const std::string& session) -> decltype(&accounts.front()) {
  if (session.empty()) return nullptr;
  for (auto& account : accounts) {
    if (account.session == session) return &account;
  }
  return nullptr;
}

}  // namespace

struct StandInSite::Connection {
  std::thread thread;
  std::atomic<bool> done{false};
};

struct StandInSite::Reply {
  int status = 200;
  std::string contentType = "text/html; charset=gbk";
  Bytes body;
  std::vector<std::pair<std::string, std::string>> headers;
};

StandInSite::StandInSite() = default;

StandInSite::~StandInSite() {
  Stop();
}

bool StandInSite::Start(int port) {
  if (acceptThread_.joinable()) return false;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 128) != 0) {
    close(fd);
    return false;
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
    close(fd);
    return false;
  }
  fcntl(fd, F_SETFL, O_NONBLOCK);
  listenSocket_ = fd;
  port_ = ntohs(address.sin_port);
  stopping_ = false;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void StandInSite::Stop() {
  if (!acceptThread_.joinable()) return;
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  char byte = 1;
  (void)!write(wakePipe_[1], &byte, 1);
  acceptThread_.join();
  std::vector<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard lock(connectionsMutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) connection->thread.join();
  close(listenSocket_);
  close(wakePipe_[0]);
  close(wakePipe_[1]);
  listenSocket_ = -1;
  wakePipe_[0] = wakePipe_[1] = -1;
}

int StandInSite::Port() const {
  return port_;
}

std::string StandInSite::SessionCookieName() const {
  return "BDUSS";
}

void StandInSite::AcceptLoop() {
  while (!stopping_) {
    int ready = WaitSocket(listenSocket_, POLLIN, wakePipe_[0], 1000);
    if (ready < 0) break;
    {
      // Finished connections give back their threads.
      std::lock_guard lock(connectionsMutex_);
      for (auto it = connections_.begin(); it != connections_.end();) {
        if ((*it)->done) {
          (*it)->thread.join();
          it = connections_.erase(it);
        } else {
          ++it;
        }
      }
    }
    if (ready == 0) continue;
    int client = accept4(listenSocket_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0) {
      // Out of descriptors or the like: do not spin on a listen socket that stays readable.
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) WaitOrStop(50);
      continue;
    }
    int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto connection = std::make_unique<Connection>();
    Connection* raw = connection.get();
    try {
      raw->thread = std::thread([this, client, raw] {
        Serve(client);
        raw->done = true;
      });
    } catch (const std::system_error&) {
      close(client);
      continue;
    }
    std::lock_guard lock(connectionsMutex_);
    connections_.push_back(std::move(connection));
  }
}

bool StandInSite::WaitOrStop(int milliseconds) const {
  std::unique_lock lock(stopMutex_);
  return !stopped_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_.load(); });
}

Fault StandInSite::TakeFault(const std::string& path, const std::string& query) {
  std::lock_guard lock(mutex_);
  auto it = faults_.find(path);
  if (it == faults_.end()) return {};
  Fault fault = it->second;
  if (fault.pageOffset >= 0) {
    std::string pn;
    if (!QueryValue(query, "pn", pn) || pn != DecimalText(fault.pageOffset)) return {};
  }
  if (it->second.times > 0 && --it->second.times == 0) faults_.erase(it);
  return fault;
}

void StandInSite::Serve(int socket) {
  const int wakeFd = wakePipe_[0];
  ParsedRequest parsed = ReadRequest(socket, wakeFd);
  if (parsed.record.requestLine.empty()) {
    close(socket);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(parsed.record);
  }
  const RecordedRequest& request = parsed.record;

  // "GET /path?query HTTP/1.1"; a proxy-style absolute target loses its scheme and host.
  std::string target;
  {
    size_t first = request.requestLine.find(' ');
    size_t last = request.requestLine.rfind(' ');
    if (first != std::string::npos && last > first) target = request.requestLine.substr(first + 1, last - first - 1);
    if (target.rfind("http://", 0) == 0) {
      size_t slash = target.find('/', 7);
      target = slash == std::string::npos ? "/" : target.substr(slash);
    }
  }
  size_t question = target.find('?');
  std::string path = target.substr(0, question);
  std::string query = question == std::string::npos ? std::string() : target.substr(question + 1);

  Fault fault = TakeFault(path, query);
  if (fault.kind == FaultKind::Latency && !WaitOrStop(fault.milliseconds)) {
    close(socket);
    return;
  }

  Reply reply;
  if (fault.kind == FaultKind::ErrorStatus) {
    // Refused before any handler runs: the request changes nothing.
    reply.status = fault.status;
    reply.body = ErrorPage(fault.status);
  } else if (parsed.refusal) {
    reply.status = parsed.refusal;
    reply.body = ErrorPage(parsed.refusal);
  } else if (path == fixed::HidePath()) {
    reply = HandleHide(request);
  } else if (path == "/passport") {
    reply = HandleLogin(request, query);
  } else {
    reply = Route(request, path, query, fault);
  }
  if (fault.kind == FaultKind::HugeHeaders) {
    for (auto& line : HugeHeaderLines()) reply.headers.push_back(std::move(line));
  }

  std::string head = "HTTP/1.1 " + DecimalText(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
  head += "Server: Apache\r\n";
  head += "Content-Type: " + reply.contentType + "\r\n";
  head += "Content-Length: " + DecimalText(static_cast<long long>(reply.body.size())) + "\r\n";
  for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
  head += "Connection: close\r\n\r\n";
  bool headOnly = request.requestLine.rfind("HEAD ", 0) == 0;

  if (fault.kind == FaultKind::Stall) {
    if (fault.bodyBytes >= 0) {
      size_t part = std::min(reply.body.size(), static_cast<size_t>(fault.bodyBytes));
      SendAll(socket, head + reply.body.substr(0, part), wakeFd);
    }
    // Until Stop, or until the client hangs up.
    char buffer[4096];
    for (;;) {
      int ready = WaitSocket(socket, POLLIN, wakeFd, -1);
      if (ready <= 0) break;
      ssize_t n = recv(socket, buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    }
    close(socket);
    return;
  }
  if (fault.kind == FaultKind::ResetMidBody) {
    size_t part = fault.bodyBytes >= 0 ? std::min(reply.body.size(), static_cast<size_t>(fault.bodyBytes))
                                       : reply.body.size() / 2;
    SendAll(socket, head + reply.body.substr(0, part), wakeFd);
    // Linger 0: close sends RST instead of FIN, the client sees the connection reset.
    linger hard{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(socket);
    return;
  }

  std::string wire = head;
  if (!headOnly) wire += reply.body;
  if (SendAll(socket, wire, wakeFd)) {
    // Half-close, then let the client read to the end before the socket goes:
    // closing with unread input would reset the connection under it.
    shutdown(socket, SHUT_WR);
    char buffer[4096];
    while (ReceiveSome(socket, buffer, sizeof buffer, wakeFd) > 0) {
    }
  }
  close(socket);
}

std::string StandInSite::SessionOf(const RecordedRequest& request) const {
  const std::string wanted = SessionCookieName();
  for (const auto& [name, value] : request.headers) {
    if (!EqualsIgnoreCase(name, "Cookie")) continue;
    size_t pos = 0;
    while (pos < value.size()) {
      size_t semi = value.find(';', pos);
      std::string item = TrimmedBlanks(
          std::string_view(value).substr(pos, semi == std::string::npos ? std::string::npos : semi - pos));
      size_t eq = item.find('=');
      if (eq != std::string::npos && item.substr(0, eq) == wanted) return item.substr(eq + 1);
      if (semi == std::string::npos) break;
      pos = semi + 1;
    }
  }
  return {};
}

Bytes StandInSite::AnswerPage(const std::string& session, int pageOffset) const {
  return AnswerPageFor(session, pageOffset, false);
}

Bytes StandInSite::AnswerPageFor(const std::string& session, int pageOffset, bool breakOneTitle) const {
  // Copies of the shown answers: the page is built outside the lock.
  std::vector<Answer> shown;
  {
    std::lock_guard lock(mutex_);
    const Account* account = FindBySession(accounts_, session);
    if (account && pageOffset >= 0) {
      int visible = 0;
      for (const Answer& answer : account->answers) {
        if (answer.hidden) continue;
        if (visible >= pageOffset) shown.push_back(answer);
        if (++visible >= static_cast<long long>(pageOffset) + fixed::kPageStep) break;
      }
    }
  }
  std::vector<const Answer*> pointers;
  for (const Answer& answer : shown) pointers.push_back(&answer);
  return AnswerListPage(pointers, pageOffset, breakOneTitle ? static_cast<int>(pointers.size()) / 2 : -1);
}

StandInSite::Reply StandInSite::Route(const RecordedRequest& request, const std::string& path, const std::string& query,
                                      const Fault& fault) const {
  Reply reply;
  bool isGet = request.requestLine.rfind("GET ", 0) == 0 || request.requestLine.rfind("HEAD ", 0) == 0;
  {
    std::lock_guard lock(mutex_);
    auto it = staticRoutes_.find(path);
    if (it != staticRoutes_.end()) {
      reply.body = it->second.first;
      reply.contentType = it->second.second;
      return reply;
    }
  }
  if (path == "/uhome/answer") {
    if (!isGet) {
      reply.status = 405;
      reply.body = ErrorPage(405);
      return reply;
    }
    std::string pn;
    // No or a malformed "pn" reads as 0; one past any list holds the end marker.
    int pageOffset = 0;
    if (QueryValue(query, "pn", pn)) {
      long long value = 0;
      auto result = std::from_chars(pn.data(), pn.data() + pn.size(), value);
      if (result.ec == std::errc::result_out_of_range || value > INT_MAX) {
        pageOffset = INT_MAX;
      } else if (result.ec == std::errc() && value > 0) {
        pageOffset = static_cast<int>(value);
      }
    }
    reply.body = AnswerPageFor(SessionOf(request), pageOffset, fault.kind == FaultKind::WrongCounts);
    return reply;
  }
  if (path == "/" || path.empty()) {
    std::string name;
    {
      std::lock_guard lock(mutex_);
      if (const Account* account = FindBySession(accounts_, SessionOf(request))) name = account->name;
    }
    reply.body = ReturnPage(name);
    return reply;
  }
  if (path == "/publisher/home" || path == "/publisher/help" || path == "/publisher/downloads") {
    reply.body = PublisherPage(path);
    return reply;
  }
  reply.status = 404;
  reply.body = ErrorPage(404);
  return reply;
}

StandInSite::Reply StandInSite::HandleHide(const RecordedRequest& request) {
  Reply reply;
  reply.contentType = "application/json; charset=gbk";
  if (request.requestLine.rfind("POST ", 0) != 0) {
    reply.body = SubmitErrorReply(1);
    return reply;
  }
  // The body is taken byte for byte, not form-decoded: a check code may hold "&", "+" or spaces.
  // Ids are digits, so the first "+" after the prefix ends the id.
  const std::string& body = request.body;
  const Text& prefix = fixed::HideBodyPrefix();
  std::string session = SessionOf(request);
  std::lock_guard lock(mutex_);
  Account* account = FindBySession(accounts_, session);
  if (!account) {
    reply.body = SubmitErrorReply(1);
    return reply;
  }
  size_t plus = body.find('+', prefix.size());
  if (body.compare(0, prefix.size(), prefix) != 0 || plus == std::string::npos) {
    reply.body = SubmitErrorReply(2);
    return reply;
  }
  std::string id = body.substr(prefix.size(), plus - prefix.size());
  std::string checkCode = body.substr(plus + 1);
  for (Answer& answer : account->answers) {
    if (answer.id == id && answer.checkCode == checkCode && !answer.hidden) {
      answer.hidden = true;
      reply.body = fixed::HideSuccessReply();
      return reply;
    }
  }
  reply.body = SubmitErrorReply(2);
  return reply;
}

StandInSite::Reply StandInSite::HandleLogin(const RecordedRequest& request, const std::string& query) {
  Reply reply;
  std::string action = "/passport" + (query.empty() ? std::string() : "?" + query);
  if (request.requestLine.rfind("POST ", 0) != 0) {
    reply.body = LoginPage(action, {});
    return reply;
  }
  std::string name;
  std::string password;
  QueryValue(request.body, "username", name);
  QueryValue(request.body, "password", password);
  name = PercentDecode(name, true);
  password = PercentDecode(password, true);
  std::string session;
  {
    std::lock_guard lock(mutex_);
    for (const Account& account : accounts_) {
      if (account.name == name && account.password == password) session = account.session;
    }
  }
  if (session.empty()) {
    reply.body = LoginPage(action, GbkFromUtf8("用户名或密码错误，请重新输入"));
    return reply;
  }
  std::string returnAddress;
  if (QueryValue(query, "u", returnAddress)) returnAddress = PercentDecode(returnAddress, false);
  // Only back to a page of a web site, never to another scheme, and no byte that could end the header line.
  bool printable = std::all_of(returnAddress.begin(), returnAddress.end(),
                               [](char c) { return static_cast<unsigned char>(c) > 0x20 && c != 0x7f; });
  if (!printable || (returnAddress.rfind("http://", 0) != 0 && returnAddress.rfind("/", 0) != 0)) returnAddress = "/";
  reply.status = 302;
  reply.headers.emplace_back("Set-Cookie", SessionCookieName() + "=" + session + "; Path=/; HttpOnly");
  reply.headers.emplace_back("Location", returnAddress);
  reply.body = RedirectPage(returnAddress);
  return reply;
}

void StandInSite::AddAccount(Account account) {
  if (account.session.empty()) {
    // Stable per account, so a printed cookie stays valid across restarts.
    unsigned long long hash = 1469598103934665603ull;
    for (char c : account.name + '\n' + account.password) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int i = 0; i < 64; ++i) {
      hash = hash * 6364136223846793005ull + 1442695040888963407ull;
      account.session += digits[(hash >> 33) % 62];
    }
  }
  std::lock_guard lock(mutex_);
  for (Account& existing : accounts_) {
    if (existing.name == account.name) {
      existing = std::move(account);
      return;
    }
  }
  accounts_.push_back(std::move(account));
}

std::vector<Answer> StandInSite::Answers(const std::string& accountName) const {
  std::lock_guard lock(mutex_);
  for (const Account& account : accounts_) {
    if (account.name == accountName) return account.answers;
  }
  return {};
}

std::string StandInSite::Session(const std::string& accountName) const {
  std::lock_guard lock(mutex_);
  for (const Account& account : accounts_) {
    if (account.name == accountName) return account.session;
  }
  return {};
}

std::vector<RecordedRequest> StandInSite::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void StandInSite::ClearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void StandInSite::SetFault(const std::string& path, Fault fault) {
  std::lock_guard lock(mutex_);
  if (fault.kind == FaultKind::None || fault.times == 0) {
    faults_.erase(path);
  } else {
    faults_[path] = fault;
  }
}

void StandInSite::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

void StandInSite::AddStaticRoute(const std::string& path, Bytes body, std::string contentType) {
  std::lock_guard lock(mutex_);
  staticRoutes_[path] = {std::move(body), std::move(contentType)};
}

}  // namespace site
