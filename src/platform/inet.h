#pragma once

#include <atomic>
#include <chrono>
#include <limits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "text/gbk_text.h"

// The HTTP operations the request worker makes, shaped after the classic
// session / connection / request handle model and implemented over libcurl.
// The worker is written against the `Inet` interface so that a test can
// install a recording fake and check every call, flag and header.
namespace inet {

// Session access types.
inline constexpr int kOpenTypeDirect = 1;  // INTERNET_OPEN_TYPE_DIRECT
inline constexpr int kOpenTypeProxy = 3;   // INTERNET_OPEN_TYPE_PROXY

// Request flags (the WinInet values the worker computes).
inline constexpr std::uint32_t kFlagReload = 0x80000000;                 // INTERNET_FLAG_RELOAD
inline constexpr std::uint32_t kFlagNeedFile = 0x00000010;               // INTERNET_FLAG_NEED_FILE
inline constexpr std::uint32_t kFlagNoCookies = 0x00080000;              // INTERNET_FLAG_NO_COOKIES
inline constexpr std::uint32_t kFlagNoAutoRedirect = 0x00200000;         // INTERNET_FLAG_NO_AUTO_REDIRECT
inline constexpr std::uint32_t kFlagIgnoreRedirectToHttps = 0x00004000;  // INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS
inline constexpr std::uint32_t kFlagSecure = 0x00800000;                 // INTERNET_FLAG_SECURE

// A body larger than this is refused: the transfer stops and the request
// reads as empty. Nothing the site sends comes near it; a hostile or broken
// reply must not exhaust memory.
inline constexpr std::size_t kMaxBodyBytes = std::size_t{64} * 1024 * 1024;
// Raw response headers larger than this stop the transfer the same way.
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{1024} * 1024;

// 0 is no handle (a failed open).
using Handle = std::uintptr_t;

// Lets another thread stop every transfer of a session at once: a blocked
// send returns, and whatever the worker calls next fails quickly.
class Cancellation {
 public:
  using Clock = std::chrono::steady_clock;

  void Cancel();
  // Also cancelled once the deadline has passed (a request run on its
  // caller's own thread, where no other thread is there to cancel it).
  void SetDeadline(Clock::time_point deadline) { deadline_.store(deadline.time_since_epoch().count()); }
  bool IsCancelled() const {
    if (cancelled_.load(std::memory_order_acquire)) return true;
    const auto deadline = deadline_.load();
    return deadline != kNoDeadline && Clock::now().time_since_epoch().count() >= deadline;
  }
  bool HasDeadline() const { return deadline_.load() != kNoDeadline; }
  // How long a wait may last before the deadline (`longest` when there is none).
  std::chrono::milliseconds WaitAtMost(std::chrono::milliseconds longest) const;
  // For implementations: `wake` is called (under this object's lock) on
  // Cancel while it is set, so a wait in progress can end at once. Set an
  // empty function before the waited-on object goes away.
  void SetWake(std::function<void()> wake);

 private:
  static constexpr Clock::rep kNoDeadline = std::numeric_limits<Clock::rep>::max();
  std::atomic<bool> cancelled_{false};
  std::atomic<Clock::rep> deadline_{kNoDeadline};
  std::mutex mutex_;
  std::function<void()> wake_;
};

class Inet {
 public:
  virtual ~Inet() = default;

  // A session with the agent string; with kOpenTypeProxy, `proxy` lists the
  // proxy per scheme ("http=host:port"). `cancel` may be null.
  virtual Handle OpenSession(const Text& agent, int accessType, const Text& proxy,
                             std::shared_ptr<Cancellation> cancel) = 0;
  // A connection to host:port (nothing goes on the wire yet).
  virtual Handle Connect(Handle session, const Text& host, int port) = 0;
  // A request on the connection: method, path with query, version, flags.
  virtual Handle OpenRequest(Handle connection, const Text& method, const Text& path, const Text& version,
                             std::uint32_t flags) = 0;
  // Sends the request with the header text (lines ended by CR LF) and the
  // body, and receives the response's headers. False when no response came.
  virtual bool SendRequest(Handle request, const Text& headers, const Bytes& body) = 0;
  // Reads up to `size` bytes of the body into `buffer`; `read` is 0 at the
  // end. False on failure (then `read` is 0).
  virtual bool ReadBody(Handle request, char* buffer, std::size_t size, std::size_t& read) = 0;
  // The response's status line and headers, each ended by CR LF, as
  // received; nothing when there is no response.
  virtual std::optional<Text> QueryRawHeaders(Handle request) = 0;
  // Closes a request, connection or session handle.
  virtual void Close(Handle handle) = 0;
  // Stores a cookie in the shared store as if `url` had set it.
  virtual bool SetCookie(const Text& url, const Text& name, const Text& data) = 0;
};

// The installed instance; the libcurl one unless a test installed another.
Inet& Internet();
// nullptr restores the libcurl implementation.
void InstallInet(Inet* instance);

// The libcurl implementation, for tests that wrap it.
Inet& CurlInet();

}  // namespace inet
