#include "extract/decoded_text.h"

#include <unicode/ucnv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr size_t kTrails = kLastTrail - kFirstTrail + 1;

// Microsoft's GBK table as ICU's windows-936-2000 converter holds it. A zero
// entry is not a character: ICU then decodes the lead byte alone to U+FFFD and
// reads the second byte afresh, and so does DecodedText.
struct GbkTable {
  std::array<char16_t, (kLastLead - kFirstLead + 1) * kTrails> pairs{};
  char16_t byte80 = 0xFFFD;
  char16_t byteFF = 0xFFFD;

  char16_t Pair(unsigned lead, unsigned trail) const {
    if (trail < kFirstTrail || trail > kLastTrail) return 0;
    return pairs[(lead - kFirstLead) * kTrails + (trail - kFirstTrail)];
  }
};

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// Asks ICU for every byte pair once. A pair counts only when ICU turns it into
// exactly one unit taken from both bytes.
GbkTable LoadGbkTable() {
  GbkTable table;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("windows-936-2000", &status));
  if (U_FAILURE(status)) return table;
  auto decode = [&](const char* bytes, size_t length, char16_t* out, size_t capacity) {
    ucnv_reset(converter.get());
    UErrorCode error = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(converter.get(), out, static_cast<int32_t>(capacity), bytes, static_cast<int32_t>(length),
                              &error);
    return U_FAILURE(error) ? -1 : n;
  };
  char16_t out[4];
  const char one80[] = {'\x80'};
  const char oneFF[] = {'\xFF'};
  if (decode(one80, 1, out, 4) == 1) table.byte80 = out[0];
  if (decode(oneFF, 1, out, 4) == 1) table.byteFF = out[0];
  for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
    for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (decode(pair, 2, out, 4) == 1 && out[0] != 0xFFFD) {
        table.pairs[(lead - kFirstLead) * kTrails + (trail - kFirstTrail)] = out[0];
      }
    }
  }
  return table;
}

const GbkTable& Table() {
  static const GbkTable table = LoadGbkTable();
  return table;
}

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

}  // namespace

DecodedText::DecodedText(std::string_view gbk) {
  const GbkTable& table = Table();
  const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
  const size_t n = gbk.size();
  units.resize(n);
  pairMask.assign(n / 64 + 1, 0);
  pairsBefore.assign(n / 64 + 1, 0);
  char16_t* out = units.data();
  size_t i = 0;
  size_t k = 0;
  while (i < n) {
    // Pages are mostly ASCII markup: widen sixteen, then eight plain bytes at a time.
#if defined(__SSE2__)
    while (i + 16 <= n) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      if (_mm_movemask_epi8(block) != 0) break;
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(block, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), _mm_unpackhi_epi8(block, zero));
      i += 16;
      k += 16;
    }
#endif
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      if (word & kHighBits) break;
      for (size_t j = 0; j < 8; ++j) out[k + j] = bytes[i + j];
      i += 8;
      k += 8;
    }
    if (i >= n) break;
    const unsigned b = bytes[i];
    if (b < 0x80) {
      out[k++] = static_cast<char16_t>(b);
      ++i;
    } else if (b == 0x80 || b == 0xFF) {
      out[k++] = b == 0x80 ? table.byte80 : table.byteFF;
      ++i;
    } else if (char16_t c = i + 1 < n ? table.Pair(b, bytes[i + 1]) : 0; c != 0) {
      pairMask[k / 64] |= uint64_t{1} << (k % 64);
      ++pairsBefore[k / 64];
      out[k++] = c;
      i += 2;
    } else {
      out[k++] = 0xFFFD;
      ++i;
    }
  }
  units.resize(k);
  pairMask.resize(k / 64 + 1);
  pairsBefore.resize(pairMask.size());
  // pairsBefore held the pairs within each word so far; make it a running count.
  uint32_t pairs = 0;
  for (uint32_t& count : pairsBefore) {
    const uint32_t within = count;
    count = pairs;
    pairs += within;
  }
}

size_t DecodedText::ByteOffset(size_t unit) const {
  if (unit > units.size()) unit = units.size();
  const size_t word = unit / 64;
  const uint64_t below = pairMask[word] & ((uint64_t{1} << (unit % 64)) - 1);
  return unit + pairsBefore[word] + static_cast<size_t>(std::popcount(below));
}
