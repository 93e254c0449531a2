#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "text/gbk_text.h"

// A small HTTP server of ours that behaves like the parts of the Q&A site the
// program relies on, in GBK: the mobile login page, the answer-list pages, the
// hide endpoint and the publisher's pages. Tests, benchmarks and the demo talk
// to it on 127.0.0.1.
//
// It is its own HTTP/1.0 and 1.1 server (one thread per connection, every
// reply with "Connection: close"): reading the raw bytes is what lets it keep
// the headers in wire order and inject faults at byte level.
namespace site {

struct Answer {
  std::string id;         // decimal digits
  std::string checkCode;  // no line break and no "\" >   <span class=\""
  Text title;             // GBK; no line break and no " </a>  </p> ..." right delimiter
  bool hidden = false;
};

struct Account {
  std::string name;
  std::string password;
  std::string session;  // value of the session cookie; AddAccount makes one when empty
  std::vector<Answer> answers;
};

struct RecordedRequest {
  std::string requestLine;                                   // without CR LF
  std::vector<std::pair<std::string, std::string>> headers;  // in wire order, values without surrounding blanks
  std::string body;                                          // as received
  std::string rawHead;  // the request line and headers byte for byte, up to and including the blank line
};

// A fault changes the reply only: the request is recorded and handled as
// usual (a hide still hides), except under ErrorStatus, which refuses it
// before any handling.
enum class FaultKind {
  None,
  Latency,       // the normal reply, `milliseconds` late
  Stall,         // no further byte until Stop or the client gives up
  ResetMidBody,  // part of the body, then a TCP reset
  WrongCounts,   // answer pages: one title lacks its right delimiter (25 ids, 25 check codes, 24 titles)
  ErrorStatus,   // `status` with a small HTML body
  HugeHeaders,   // the normal reply behind more than 2 KB of headers and several Set-Cookie lines
};

struct Fault {
  FaultKind kind = FaultKind::None;
  int milliseconds = 0;
  int status = 500;
  int times = -1;  // -1: every request
  // Answer pages only: the fault applies to this "pn" alone; -1: any page.
  int pageOffset = -1;
  // Stall: body bytes sent (after the headers) before stalling; -1: nothing at all.
  // ResetMidBody: body bytes sent before the reset; -1: half the body.
  int bodyBytes = -1;
};

class StandInSite {
 public:
  StandInSite();   // not started
  ~StandInSite();  // stops
  StandInSite(const StandInSite&) = delete;
  StandInSite& operator=(const StandInSite&) = delete;

  // 127.0.0.1 only; 0 = a free port; returns when listening.
  bool Start(int port = 0);
  // Idempotent; also ends stalled requests promptly.
  void Stop();
  int Port() const;
  std::string SessionCookieName() const;  // "BDUSS"

  void AddAccount(Account account);
  // An account of n answers with generated ids, check codes and Chinese/Latin titles.
  static Account GenerateAccount(std::string name, std::string password, int n);
  // The demo account: "demo"/"demo", 60 answers whose titles share Chinese and
  // Latin keywords, one title with HTML entities.
  static Account DemoAccount();
  // Current state (hidden flags).
  std::vector<Answer> Answers(const std::string& accountName) const;
  // The value of the account's session cookie (empty: no such account).
  std::string Session(const std::string& accountName) const;

  std::vector<RecordedRequest> Requests() const;
  void ClearRequests();

  // path without query, e.g. "/uhome/answer" or "/submit/user".
  void SetFault(const std::string& path, Fault fault);
  void ClearFaults();

  // A fixed reply for GET of `path` (a same-server baseline for benchmarks).
  void AddStaticRoute(const std::string& path, Bytes body, std::string contentType = "text/html; charset=gbk");

  // The answer-list page the site would serve now for this session and "pn".
  Bytes AnswerPage(const std::string& session, int pageOffset) const;

 private:
  struct Connection;
  struct Reply;

  void AcceptLoop();
  void Serve(int socket);
  Reply Route(const RecordedRequest& request, const std::string& path, const std::string& query,
              const Fault& fault) const;
  Reply HandleHide(const RecordedRequest& request);
  Reply HandleLogin(const RecordedRequest& request, const std::string& query);
  Fault TakeFault(const std::string& path, const std::string& query);
  std::string SessionOf(const RecordedRequest& request) const;
  Bytes AnswerPageFor(const std::string& session, int pageOffset, bool breakOneTitle) const;
  bool WaitOrStop(int milliseconds) const;

  mutable std::mutex mutex_;  // guards everything below but the socket plumbing
  std::vector<Account> accounts_;
  std::vector<RecordedRequest> requests_;
  std::map<std::string, Fault> faults_;
  std::map<std::string, std::pair<Bytes, std::string>> staticRoutes_;

  mutable std::mutex stopMutex_;
  mutable std::condition_variable stopped_;
  std::atomic<bool> stopping_{false};
  int listenSocket_ = -1;
  int wakePipe_[2] = {-1, -1};
  int port_ = 0;
  std::thread acceptThread_;
  std::mutex connectionsMutex_;
  std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace site
