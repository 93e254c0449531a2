#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A bare HTTP/1.1 server on 127.0.0.1 for tests: it records the exact bytes
// of every request and answers with scripted bytes, or misbehaves on purpose
// (never answers, resets the connection in mid-body). One request per
// connection; the server closes the connection after its reply.
namespace test_support {

struct RecordedRequest {
  std::string raw;                   // every byte received: request line, headers, blank line, body
  std::string requestLine;           // without its CR LF
  std::vector<std::string> headers;  // the header lines in order, without CR LF
  std::string body;                  // Content-Length bytes after the blank line

  // The value of the first header of that name (case ignored), blanks after
  // the colon skipped; empty when there is none.
  std::string Header(std::string_view name) const;
  // Header names in the order they came.
  std::vector<std::string> HeaderNames() const;
};

struct ScriptedReply {
  enum class Mode {
    Answer,      // send `bytes` (then `fillerBytes` 'x' bytes), then close
    Stall,       // read the request and never answer; hold the connection open
    ResetAfter,  // send the first `resetAfter` bytes of `bytes`, then reset (RST)
  };
  Mode mode = Mode::Answer;
  std::string bytes;
  std::size_t fillerBytes = 0;  // a long body that the server does not hold in memory
  std::size_t resetAfter = 0;
  std::chrono::milliseconds delay{0};  // wait this long before answering

  // "HTTP/1.1 <status> <reason>", Content-Length of body (+ fillerBytes), the
  // extra header lines (each ended by CR LF), "Connection: close", the body.
  static ScriptedReply Answer(std::string_view body, std::string_view extraHeaders = {}, int status = 200,
                              std::string_view reason = "OK");
  static ScriptedReply Stall();
  // A reply promising the whole body whose connection is reset after the
  // headers and `bodyBytesSent` bytes of it.
  static ScriptedReply ResetMidBody(std::string_view body, std::size_t bodyBytesSent);
  // A 200 reply whose body is `bodyBytes` 'x' bytes, streamed.
  static ScriptedReply Huge(std::size_t bodyBytes);
};

class RawHttpServer {
 public:
  explicit RawHttpServer(ScriptedReply reply = ScriptedReply::Answer(""));
  ~RawHttpServer();  // stops listening, ends stalled connections, joins every thread
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(std::string_view path = "/") const;
  // The reply for every request from now on.
  void SetReply(ScriptedReply reply);
  // The requests received so far, in the order they were complete.
  std::vector<RecordedRequest> Requests() const;
  // Waits until at least `count` requests have been received.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  // Connections being served right now (a stalled one counts until the client goes).
  int OpenConnections() const;

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<bool> finished;
  };
  void AcceptLoop();
  void Serve(int socket);
  bool Stopping() const;

  int listener_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  int open_ = 0;
  ScriptedReply reply_;
  std::vector<RecordedRequest> requests_;
  std::list<Worker> workers_;
  std::thread acceptor_;
};

}  // namespace test_support
