#pragma once

#include <chrono>
#include <optional>

#include "text/gbk_text.h"

// Optional settings of one WebAccess call. An absent value behaves like 0 or
// empty, except `超时返回` (60 seconds when absent) and `followRedirects`
// (true when absent).
struct WebAccessParams {
  std::optional<int> method{};       // 1 = POST; anything else is GET
  std::optional<Text> proxy{};       // host[:port] for http; empty = direct
  std::optional<Text> headers{};     // extra header lines, each ended by CR LF
  std::optional<Bytes> postData{};   // body for POST
  std::optional<Text> cookies{};     // sent instead of the shared store's cookies
  std::optional<double> 超时返回{};  // seconds; absent = 60
  Text* responseHeaders = nullptr;   // out, written only on a complete answer
  std::optional<int> conversion{};   // 1: UTF-8 -> GBK, 2: Big5 -> simplified GBK
  Text* responseCookies = nullptr;   // out: "name=value;" per Set-Cookie line
  std::optional<bool> followRedirects{};
};

// Performs one HTTP request on a worker thread and waits for it under the
// time-out, handling the calling thread's window messages meanwhile (when
// window services are installed). `url` gets "http://" in front unless it
// starts with "http://" or "https://" and is written back so. Returns the
// body (converted when asked), the time-out message when no answer came in
// time, or empty bytes for a blank URL or a failed request.
//
// A worker that has not answered in time is cancelled: its transfer is
// aborted and it ends on its own, with its own copy of everything it uses.
// Its late result reaches no one.
Bytes WebAccess(Text& url, const WebAccessParams& params = {});

// Request workers still running, cancelled ones included (for tests).
int RunningRequestWorkers();
// Threads kept for request workers, running or parked; a parked thread ends
// after a second without work (for tests).
int RequestWorkerThreads();

// The time-out of a call that gives none: 60 seconds. Tests shorten it to see
// a stalled site within their own time.
void SetWebAccessDefaultTimeout(std::chrono::milliseconds timeout);
