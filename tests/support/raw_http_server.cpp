#include "support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <stdexcept>

namespace test_support {

namespace {

constexpr std::size_t kMaxHeadBytes = 1024 * 1024;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool SendAll(int socket, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = send(socket, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string RecordedRequest::Header(std::string_view name) const {
  for (const std::string& line : headers) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || !SameName(std::string_view(line).substr(0, colon), name)) continue;
    std::size_t value = line.find_first_not_of(" \t", colon + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
  }
  return {};
}

std::vector<std::string> RecordedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const std::string& line : headers) names.push_back(line.substr(0, line.find(':')));
  return names;
}

ScriptedReply ScriptedReply::Answer(std::string_view body, std::string_view extraHeaders, int status,
                                    std::string_view reason) {
  ScriptedReply reply;
  reply.bytes = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
  reply.bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  reply.bytes += std::string(extraHeaders);
  reply.bytes += "Connection: close\r\n\r\n";
  reply.bytes += std::string(body);
  return reply;
}

ScriptedReply ScriptedReply::Stall() {
  ScriptedReply reply;
  reply.mode = Mode::Stall;
  return reply;
}

ScriptedReply ScriptedReply::ResetMidBody(std::string_view body, std::size_t bodyBytesSent) {
  ScriptedReply reply = Answer(body);
  reply.mode = Mode::ResetAfter;
  reply.resetAfter = reply.bytes.size() - body.size() + std::min(bodyBytesSent, body.size());
  return reply;
}

ScriptedReply ScriptedReply::Huge(std::size_t bodyBytes) {
  ScriptedReply reply;
  reply.bytes = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bodyBytes) + "\r\nConnection: close\r\n\r\n";
  reply.fillerBytes = bodyBytes;
  return reply;
}

RawHttpServer::RawHttpServer(ScriptedReply reply) : reply_(std::move(reply)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // a free port
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 128) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener_);
    throw std::runtime_error("bind/listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  acceptor_.join();
  for (Worker& worker : workers_) worker.thread.join();
  close(listener_);
}

std::string RawHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void RawHttpServer::SetReply(ScriptedReply reply) {
  std::lock_guard lock(mutex_);
  reply_ = std::move(reply);
}

std::vector<RecordedRequest> RawHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool RawHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

int RawHttpServer::OpenConnections() const {
  std::lock_guard lock(mutex_);
  return open_;
}

bool RawHttpServer::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void RawHttpServer::AcceptLoop() {
  while (!Stopping()) {
    pollfd wait{listener_, POLLIN, 0};
    if (poll(&wait, 1, 20) <= 0) continue;
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    std::lock_guard lock(mutex_);
    // Reap the threads of connections already served.
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (*it->finished) {
        it->thread.join();
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
    ++open_;
    auto finished = std::make_shared<bool>(false);
    workers_.push_back({std::thread([this, connection, finished] {
                          Serve(connection);
                          close(connection);
                          std::lock_guard done(mutex_);
                          --open_;
                          *finished = true;
                        }),
                        finished});
  }
}

void RawHttpServer::Serve(int socket) {
  // Waits up to 20 ms for the socket; false when the server is stopping.
  auto readable = [&]() {
    for (;;) {
      if (Stopping()) return false;
      pollfd wait{socket, POLLIN, 0};
      if (poll(&wait, 1, 20) > 0) return true;
    }
  };
  std::string raw;
  char chunk[16384];
  std::size_t headEnd = std::string::npos;
  while ((headEnd = raw.find("\r\n\r\n")) == std::string::npos) {
    if (raw.size() > kMaxHeadBytes || !readable()) return;
    ssize_t n = recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    raw.append(chunk, static_cast<std::size_t>(n));
  }
  RecordedRequest request;
  std::size_t lineEnd = raw.find("\r\n");
  request.requestLine = raw.substr(0, lineEnd);
  for (std::size_t at = lineEnd + 2; at < headEnd;) {
    std::size_t end = raw.find("\r\n", at);
    request.headers.push_back(raw.substr(at, end - at));
    at = end + 2;
  }
  std::size_t bodyLength = 0;
  try {
    if (std::string length = request.Header("Content-Length"); !length.empty()) bodyLength = std::stoul(length);
  } catch (const std::exception&) {
    bodyLength = 0;  // a malformed length: take the request as bodiless
  }
  std::size_t bodyStart = headEnd + 4;
  while (raw.size() < bodyStart + bodyLength) {
    if (!readable()) return;
    ssize_t n = recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    raw.append(chunk, static_cast<std::size_t>(n));
  }
  request.body = raw.substr(bodyStart, bodyLength);
  request.raw = raw.substr(0, bodyStart + bodyLength);
  ScriptedReply reply;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
    reply = reply_;
  }
  changed_.notify_all();

  if (reply.delay.count() > 0) {
    std::unique_lock lock(mutex_);
    if (changed_.wait_for(lock, reply.delay, [&] { return stopping_; })) return;
  }
  switch (reply.mode) {
    case ScriptedReply::Mode::Stall:
      // Hold the connection until the client gives up or the server stops.
      while (readable()) {
        if (recv(socket, chunk, sizeof chunk, 0) <= 0) return;
      }
      return;
    case ScriptedReply::Mode::ResetAfter: {
      SendAll(socket, reply.bytes.data(), std::min(reply.resetAfter, reply.bytes.size()));
      linger abort{1, 0};  // close with RST instead of FIN
      setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      return;
    }
    case ScriptedReply::Mode::Answer: {
      if (!SendAll(socket, reply.bytes.data(), reply.bytes.size())) return;
      std::string filler(65536, 'x');
      for (std::size_t left = reply.fillerBytes; left > 0 && !Stopping();) {
        std::size_t n = std::min(left, filler.size());
        if (!SendAll(socket, filler.data(), n)) return;
        left -= n;
      }
      shutdown(socket, SHUT_WR);
      // Let the client read everything before the socket closes.
      while (readable()) {
        if (recv(socket, chunk, sizeof chunk, 0) <= 0) return;
      }
      return;
    }
  }
}

}  // namespace test_support
