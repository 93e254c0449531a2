// Fuzzes ExtractAllBetween with arbitrary page bytes, delimiters and options.
// Its results must equal those of the plain escaped pattern (the extraction's
// own pattern may add a line-skipping branch) and, wherever the delimiters are
// ASCII without pattern characters, those of a plain scan of the decoded text.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "extract/extract_all_between.h"
#include "extract/regex_matcher.h"
#include "text/gbk_text.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool IsLineBreak(char16_t c) {
  return c == u'\r' || c == u'\n';
}

bool SameAt(const std::u16string& text, size_t at, const std::u16string& what) {
  if (at + what.size() > text.size()) return false;
  for (size_t k = 0; k < what.size(); ++k) {
    if (Lower(text[at + k]) != Lower(what[k])) return false;
  }
  return true;
}

// The leftmost `left`, then the nearest `right` with no line break before it;
// on to the next start when there is none; one unit on after an empty match.
std::vector<std::u16string> ScanBetween(const std::u16string& text, const std::u16string& left,
                                        const std::u16string& right) {
  std::vector<std::u16string> found;
  size_t start = 0;
  while (start <= text.size()) {
    size_t l = start;
    while (l <= text.size() && !SameAt(text, l, left)) ++l;
    if (l > text.size()) break;
    const size_t inside = l + left.size();
    size_t r = inside;
    while (r <= text.size() && !SameAt(text, r, right)) {
      if (r == text.size() || IsLineBreak(text[r])) {
        r = std::u16string::npos;
        break;
      }
      ++r;
    }
    if (r == std::u16string::npos || r > text.size()) {
      start = l + 1;
      continue;
    }
    found.push_back(text.substr(inside, r - inside));
    const size_t end = r + right.size();
    start = end > l ? end : l + 1;
  }
  return found;
}

bool PlainAscii(const std::string& delimiter) {
  for (char c : delimiter) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') return false;
    if (c == '.' || c == '^' || c == '$' || c == '|' || c == '\\') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text left = input.ConsumeRandomLengthString(24);
  const Text right = input.ConsumeRandomLengthString(24);
  const bool useOptions = input.ConsumeBool();
  const int maxLength = input.ConsumeIntegralInRange(-2, 40);
  const Text prefix = input.ConsumeRandomLengthString(4);
  const Text suffix = input.ConsumeRandomLengthString(4);
  const bool includeLeft = input.ConsumeBool();
  const bool includeRight = input.ConsumeBool();
  const Text text = input.ConsumeRemainingBytesAsString();

  std::vector<Text> plain = {"left over"};
  const int n = ExtractAllBetween(text, left, right, plain);
  Check(n == static_cast<int>(plain.size()), "count equals the list size");
  for (const Text& found : plain) {
    Check(TextOf(text).find(found) != Text::npos, "every result is bytes of the page");
  }

  RegexMatcher escaped;
  escaped.Search(EscapeRegexText(left) + "(.*?)" + EscapeRegexText(right), text);
  Check(escaped.MatchCount() == n, "as many results as the plain escaped pattern");
  for (int i = 1; i <= n && i <= escaped.MatchCount(); ++i) {
    Check(escaped.SubMatchText(i, 1) == plain[static_cast<size_t>(i - 1)], "same results as the plain escaped pattern");
  }

  if (PlainAscii(left) && PlainAscii(right)) {
    const std::vector<std::u16string> expected =
        ScanBetween(Utf16FromGbk(TextOf(text)), Utf16FromGbk(left), Utf16FromGbk(right));
    Check(expected.size() == plain.size(), "as many results as the plain scan");
    for (size_t i = 0; i < plain.size() && i < expected.size(); ++i) {
      Check(Utf16FromGbk(plain[i]) == expected[i], "each result decodes to the plain scan's text");
    }
  }

  if (useOptions) {
    std::vector<Text> decorated;
    ExtractAllBetween(text, left, right, decorated, maxLength, prefix, suffix, includeLeft, includeRight);
    size_t kept = 0;
    for (const Text& found : plain) {
      if (maxLength != 0 && static_cast<long long>(found.size()) > maxLength) continue;
      Check(kept < decorated.size(), "no result lost to the options");
      const Text expected = (includeLeft ? TextOf(left) : Text()) + TextOf(prefix) + found + TextOf(suffix) +
                            (includeRight ? TextOf(right) : Text());
      Check(kept < decorated.size() && decorated[kept] == expected, "options decorate each result");
      ++kept;
    }
    Check(kept == decorated.size(), "only the results within the limit");
  }
  return 0;
}
