#include "http/web_access.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
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

std::atomic<long long> defaultTimeoutMs{60000};

long long TimeoutMilliseconds(const WebAccessParams& params) {
  if (!params.超时返回) return defaultTimeoutMs.load();
  double ms = *params.超时返回 * 1000.0;
  if (std::isnan(ms) || ms <= 0) return 0;
  if (ms >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<long long>(ms);  // truncated
}

// Threads for request workers. Each call's worker gets a thread of its own
// for as long as it runs (never one shared with another running worker); a
// thread whose worker has ended waits a short while for the next call before
// it ends, which spares the thread start of a run of requests. Never
// destroyed: parked threads may still wait on it while the process ends.
class WorkerThreads {
 public:
  static WorkerThreads& Instance() {
    static WorkerThreads* instance = new WorkerThreads;
    return *instance;
  }

  // False when no thread could be started for the job.
  bool Run(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    jobs_.push_back(std::move(job));
    if (jobs_.size() <= static_cast<std::size_t>(idle_)) {
      lock.unlock();  // the woken thread then finds the lock free
      wake_.notify_one();
      return true;
    }
    try {
      std::thread([this] { Loop(); }).detach();
      ++threads_;
      return true;
    } catch (const std::system_error&) {
      jobs_.pop_back();
      return false;
    }
  }

  int Threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  static constexpr auto kIdleLife = std::chrono::seconds(1);

  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      while (jobs_.empty()) {
        ++idle_;
        bool woken = wake_.wait_for(lock, kIdleLife, [this] { return !jobs_.empty(); });
        --idle_;
        if (!woken) {
          --threads_;
          return;
        }
      }
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      job = nullptr;  // the call's state goes with the worker, outside the lock
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  int idle_ = 0;
  int threads_ = 0;
};

bool StartWorker(const std::shared_ptr<WorkerCall>& call) {
  runningWorkers.fetch_add(1);
  bool started = WorkerThreads::Instance().Run([call] {
    bool answered = RequestWorker(call->buffer, call->cancel);
    {
      std::lock_guard lock(call->mutex);
      call->answered = answered;
      call->done = true;
    }
    call->finished.notify_all();
    runningWorkers.fetch_sub(1);
  });
  if (!started) runningWorkers.fetch_sub(1);
  return started;
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

int RunningRequestWorkers() {
  return runningWorkers.load();
}

int RequestWorkerThreads() {
  return WorkerThreads::Instance().Threads();
}

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
  const auto timeout = std::chrono::milliseconds(TimeoutMilliseconds(params));

  if (HasWindowServices() && Window().IsWindowThread()) {
    // The window thread keeps handling its messages while a worker thread
    // makes the request.
    const bool started = StartWorker(call);
    if (WaitForWorker(started ? call.get() : nullptr, start, timeout)) {
      // The worker is cancelled, not killed: it ends on its own and keeps the
      // call alive until then; what it writes is never read.
      call->cancel->Cancel();
      return TimeoutRecord()[0];
    }
  } else {
    // A thread without windows has nothing to handle while it waits: the
    // request runs right here, aborted when the time-out comes, which spares
    // two thread hand-overs a request. The outcome is the same.
    call->cancel->SetDeadline(start + timeout);
    const bool answered = timeout.count() > 0 && RequestWorker(call->buffer, call->cancel);
    if (Clock::now() >= start + timeout) return TimeoutRecord()[0];
    std::lock_guard lock(call->mutex);
    call->answered = answered;
    call->done = true;
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
    case 1:
      return Utf8ToGbk(TextOf((*answer)[0]));
    case 2:
      return Big5ToSimplifiedGbk(TextOf((*answer)[0]));
    default:
      return std::move((*answer)[0]);
  }
}

void SetWebAccessDefaultTimeout(std::chrono::milliseconds timeout) { defaultTimeoutMs.store(timeout.count()); }
