#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "text/gbk_text.h"

// One request on its way to the request worker and its results on the way
// back: seven byte strings, numbered 0 to 6.
//   slot  in (from WebAccess)        back (from RequestWorker)
//   0     normalised URL             response body
//   1     "GET" or "POST"            cookies collected from Set-Cookie lines
//   2     proxy text                 unchanged
//   3     caller's header text       unchanged
//   4     post data                  unchanged
//   5     cookie text to send        raw response headers
//   6     "真"/"假": follow redirects  not used
// A record read back may hold any number of slots; only a seven-slot answer
// counts as complete.
using RequestExchange = std::vector<Bytes>;

inline constexpr std::size_t kExchangeSlots = 7;

// The one-slot record that stands in for an answer that came too late.
RequestExchange TimeoutRecord();

// The byte stream through which a record passes between the caller and the
// worker thread. Only one thread uses it at a time; the hand-over between
// them (thread start, completion signal) orders the accesses.
//
// Layout: a 4-byte little-endian slot count, then per slot an 8-byte
// little-endian length and the slot's bytes.
class HandOverBuffer {
 public:
  // A write that would make the stream larger than `capacity` bytes fails.
  static constexpr std::size_t kDefaultCapacity = std::size_t{512} * 1024 * 1024;
  explicit HandOverBuffer(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // Writes the record from the start of the stream, replacing what was there.
  // On failure the stream and its position are as they were.
  bool Write(const RequestExchange& record);
  void Rewind() { position_ = 0; }
  // Reads one record from the current position; on failure nothing is
  // consumed.
  std::optional<RequestExchange> Read();

  // The stream itself, for tests that damage it on purpose.
  Bytes& Stream() { return stream_; }

 private:
  std::size_t capacity_;
  Bytes stream_;
  std::size_t position_ = 0;
};
