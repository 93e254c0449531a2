#include "extract/extract_all_between.h"

#include "extract/regex_matcher.h"
#include "extract/replace_batch.h"

namespace {

// The escaped left delimiter, the lazy group "(.*?)", the escaped right one.
// A long line full of left delimiters with no right one on it stays linear:
// PCRE2's JIT remembers how far the lazy group already failed to reach a
// right delimiter and does not scan that stretch again from a later left.
Text BetweenPattern(const Text& left, const Text& right) {
  return EscapeRegexText(left) + "(.*?)" + EscapeRegexText(right);
}

}  // namespace

int ExtractAllBetween(const Text& text, const Text& left, const Text& right, std::vector<Text>& results,
                      std::optional<int> maxLength, const std::optional<Text>& prefix,
                      const std::optional<Text>& suffix, std::optional<bool> includeLeft,
                      std::optional<bool> includeRight) {
  RegexMatcher matcher;
  results.clear();
  const Text leftText = TextOf(left);
  const Text rightText = TextOf(right);
  matcher.Search(BetweenPattern(leftText, rightText), text);
  const int limit = maxLength.value_or(0);
  const Text before = (includeLeft.value_or(false) ? leftText : Text()) + TextOf(prefix.value_or(Text()));
  const Text after = TextOf(suffix.value_or(Text())) + (includeRight.value_or(false) ? rightText : Text());
  const int n = matcher.MatchCount();
  results.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) {
    Text found = matcher.SubMatchText(i, 1);
    if (limit != 0 && static_cast<long long>(found.size()) > limit) continue;
    results.push_back(before + found + after);
  }
  return static_cast<int>(results.size());
}

Text EscapeRegexText(const Text& text) {
  const Text first = ReplaceBatch(text, {}, {}, {}, "?", "\\?", "*", "\\*", "+", "\\+", "[", "\\[", "]", "\\]");
  return ReplaceBatch(first, {}, {}, {}, "(", "\\(", ")", "\\)", "{", "\\{", "}", "\\}");
}
