#include "http/web_access.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "http/request_exchange.h"
#include "http/request_worker.h"
#include "http/response_decoding.h"
#include "platform/inet.h"
#include "platform/web_session.h"
#include "platform/window_services.h"
#include "text/fixed_texts.h"

namespace {

using Clock = std::chrono::steady_clock;

// While waiting on a thread that has windows, messages are handled at least
// this often; the wait itself ends as soon as the worker does.
constexpr auto kMessageSlice = std::chrono::milliseconds(10);

std::atomic<int> runningWorkers{0};

// Everything one call shares with its worker. The worker holds its own
// reference, so a worker abandoned after a time-out finds all of it alive
// until it ends; the caller does not read the buffer before `done`.
struct WorkerCall {
  HandOverBuffer buffer;
  std::shared_ptr<inet::Cancellation> cancel = std::make_shared<inet::Cancellation>();
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool answered = false;
};

long long TimeoutMilliseconds(const WebAccessParams& params) {
  if (!params.超时返回) return 60000;
  double ms = *params.超时返回 * 1000.0;
  if (std::isnan(ms) || ms <= 0) return 0;
  if (ms >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<long long>(ms);  // truncated
}

bool StartWorker(const std::shared_ptr<WorkerCall>& call) {
  runningWorkers.fetch_add(1);
  try {
    std::thread([call] {
      bool answered = RequestWorker(call->buffer, call->cancel);
      {
        std::lock_guard lock(call->mutex);
        call->answered = answered;
        call->done = true;
      }
      call->finished.notify_all();
      runningWorkers.fetch_sub(1);
    }).detach();
    return true;
  } catch (const std::system_error&) {
    runningWorkers.fetch_sub(1);
    return false;
  }
}

// Waits until the worker is done or the time-out has passed, each wait given
// only the time that remains. True when it counts as a time-out: reaching the
// time-out counts as one even if the worker ended at that very moment.
bool WaitForWorker(WorkerCall* call, Clock::time_point start, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = start + timeout;
  const bool pumpMessages = HasWindowServices();
  for (;;) {
    Clock::time_point now = Clock::now();
    if (now >= deadline) return true;
    auto wait = deadline - now;
    if (pumpMessages && wait > kMessageSlice) wait = kMessageSlice;
    bool done = false;
    if (call) {
      std::unique_lock lock(call->mutex);
      done = call->finished.wait_for(lock, wait, [call] { return call->done; });
    } else {
      std::this_thread::sleep_for(wait);  // no worker: only the time-out can end the wait
    }
    if (Clock::now() >= deadline) return true;
    if (pumpMessages) ProcessPendingMessages();
    if (done) return false;
  }
}

}  // namespace

int RunningRequestWorkers() { return runningWorkers.load(); }

Bytes WebAccess(Text& url, const WebAccessParams& params) {
  if (TrimBlanks(TextOf(url)).empty()) return {};
  const bool followRedirects = params.followRedirects.value_or(true);
  if (url.compare(0, 7, "http://") != 0 && url.compare(0, 8, "https://") != 0) url = "http://" + url;

  RequestExchange record(kExchangeSlots);
  record[0] = url;
  record[1] = params.method.value_or(0) == 1 ? "POST" : "GET";
  record[2] = params.proxy.value_or(Text());
  record[3] = params.headers.value_or(Text());
  record[4] = params.postData.value_or(Bytes());
  record[5] = params.cookies.value_or(Text());
  record[6] = BoolText(followRedirects);

  auto call = std::make_shared<WorkerCall>();
  if (!call->buffer.Write(record)) return {};
  EnsureCurlReady();
  const Clock::time_point start = Clock::now();
  const bool started = StartWorker(call);
  const auto timeout = std::chrono::milliseconds(TimeoutMilliseconds(params));

  if (WaitForWorker(started ? call.get() : nullptr, start, timeout)) {
    // The worker is cancelled, not killed: it ends on its own and keeps the
    // call alive until then; what it writes is never read.
    call->cancel->Cancel();
    return TimeoutRecord()[0];
  }

  std::optional<RequestExchange> answer;
  {
    std::lock_guard lock(call->mutex);  // orders the worker's writes before this read
    if (call->answered) {
      call->buffer.Rewind();
      answer = call->buffer.Read();
    }
  }
  if (!answer) return {};
  if (answer->size() != kExchangeSlots) return answer->empty() ? Bytes() : (*answer)[0];

  if (params.responseHeaders) *params.responseHeaders = TextOf((*answer)[5]);
  if (params.responseCookies) *params.responseCookies = TextOf((*answer)[1]);
  switch (params.conversion.value_or(0)) {
    case 1: return Utf8ToGbk(TextOf((*answer)[0]));
    case 2: return Big5ToSimplifiedGbk(TextOf((*answer)[0]));
    default: return std::move((*answer)[0]);
  }
}
