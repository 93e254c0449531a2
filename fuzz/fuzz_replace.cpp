// Fuzzes ReplaceBatch with arbitrary texts, pairs and options, checking it
// against a search-and-copy loop built on FindText, and checks that an escaped
// well-formed text used as a pattern matches exactly itself.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "extract/extract_all_between.h"
#include "extract/regex_matcher.h"
#include "extract/replace_batch.h"
#include "text/gbk_text.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

bool HasHighByte(const Text& text) {
  for (char c : text) {
    if (IsLeadByte(c)) return true;
  }
  return false;
}

// One pass as a loop of FindText calls. FindText also folds the case of second
// bytes, which can only matter when the find text has double-byte characters.
Text PassByFind(const Text& text, const Text& find, const Text& with, int start, std::optional<int> count,
                bool caseSensitive) {
  const int from = start < 1 ? 1 : start;
  if (text.empty() || find.empty() || static_cast<size_t>(from) > text.size() || (count && *count == 0)) return text;
  long long left = count && *count > 0 ? *count : -1;
  Text out = text.substr(0, static_cast<size_t>(from - 1));
  int at = from;
  while (left != 0) {
    const int hit = FindText(text, find, at, !caseSensitive);
    if (hit == -1) break;
    out += text.substr(static_cast<size_t>(at - 1), static_cast<size_t>(hit - at)) + with;
    at = hit + static_cast<int>(find.size());
    if (left > 0) --left;
    if (static_cast<size_t>(at) > text.size()) break;
  }
  if (static_cast<size_t>(at) <= text.size()) out += text.substr(static_cast<size_t>(at - 1));
  return out;
}

// Texts in which stepping "a byte of 0x80 or above takes the next one along"
// meets the characters the decoder sees. It does not for a lead byte with no
// valid second byte, nor for 0x80 and 0xFF, which GBK decodes alone: a ")"
// after them is taken as their second byte and left unescaped.
bool SteppingMatchesDecoding(const Text& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) continue;
    if (b == 0x80 || b == 0xFF) return false;
    if (i + 1 >= text.size()) return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::optional<int> count;
  if (input.ConsumeBool()) count = input.ConsumeIntegralInRange(-2, 4);
  std::optional<int> start;
  if (input.ConsumeBool()) start = input.ConsumeIntegralInRange(-2, 64);
  const bool caseSensitive = input.ConsumeBool();
  Text finds[5];
  Text withs[5];
  for (int k = 0; k < 5; ++k) {
    finds[k] = input.ConsumeRandomLengthString(6);
    withs[k] = input.ConsumeRandomLengthString(6);
  }
  const Text text = input.ConsumeRemainingBytesAsString();

  const Text result = ReplaceBatch(text, count, start, caseSensitive, finds[0], withs[0], finds[1], withs[1], finds[2],
                                   withs[2], finds[3], withs[3], finds[4], withs[4]);
  Text expected = TextOf(text);
  bool comparable = true;
  for (int k = 0; k < 5; ++k) {
    const Text find = TextOf(finds[k]);
    if (!caseSensitive && HasHighByte(find)) comparable = false;
    expected = PassByFind(expected, find, TextOf(withs[k]), start.value_or(1), count, caseSensitive);
  }
  if (comparable) Check(result == expected, "same as the FindText loop");
  const size_t kept = start && *start > 1 ? static_cast<size_t>(*start - 1) : 0;
  Check(result.compare(0, kept, TextOf(text), 0, kept) == 0, "bytes before the start are untouched");

  // Escaped, a text matches itself from its first byte, unless it holds one of
  // the characters that keep their pattern meaning.
  const Text literal = TextOf(text);
  if (SteppingMatchesDecoding(literal) && literal.find_first_of(".^$|\\") == Text::npos) {
    RegexMatcher m;
    Check(m.Search(EscapeRegexText(literal), literal, true), "escaped text compiles");
    int position = -1;
    Check(m.MatchCount() >= 1 && m.MatchText(1, &position) == literal && position == 0, "escaped text matches itself");
  }
  return 0;
}
