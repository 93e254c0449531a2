#include "http/request_exchange.h"

#include <cstdint>
#include <new>

#include "text/fixed_texts.h"

namespace {

constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kLengthBytes = 8;

void PutNumber(Bytes& out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t GetNumber(const Bytes& in, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= std::uint64_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
  return value;
}

}  // namespace

RequestExchange TimeoutRecord() {
  return RequestExchange{fixed::TimeoutMessage()};
}

bool HandOverBuffer::Write(const RequestExchange& record) {
  if (record.size() > 0xFFFFFFFFu) return false;
  std::size_t total = kCountBytes;
  for (const Bytes& slot : record) {
    if (slot.size() > capacity_ || total > capacity_ - kLengthBytes - slot.size()) return false;
    total += kLengthBytes + slot.size();
  }
  if (total > capacity_) return false;
  try {
    Bytes fresh;
    fresh.reserve(total);
    PutNumber(fresh, record.size(), kCountBytes);
    for (const Bytes& slot : record) {
      PutNumber(fresh, slot.size(), kLengthBytes);
      fresh += slot;
    }
    stream_.swap(fresh);
  } catch (const std::bad_alloc&) {
    return false;
  }
  position_ = 0;
  return true;
}

std::optional<RequestExchange> HandOverBuffer::Read() {
  std::size_t at = position_;
  auto remaining = [&] { return stream_.size() - at; };
  if (at > stream_.size() || remaining() < kCountBytes) return std::nullopt;
  std::uint64_t count = GetNumber(stream_, at, kCountBytes);
  at += kCountBytes;
  // Every slot needs at least its length field: a count beyond that is damage.
  if (count > remaining() / kLengthBytes) return std::nullopt;
  RequestExchange record;
  try {
    record.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
      if (remaining() < kLengthBytes) return std::nullopt;
      std::uint64_t length = GetNumber(stream_, at, kLengthBytes);
      at += kLengthBytes;
      if (length > remaining()) return std::nullopt;
      record.emplace_back(stream_, at, static_cast<std::size_t>(length));
      at += static_cast<std::size_t>(length);
    }
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  position_ = at;
  return record;
}
