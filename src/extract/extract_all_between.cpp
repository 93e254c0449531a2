#include "extract/extract_all_between.h"

#include "extract/regex_matcher.h"
#include "extract/replace_batch.h"

namespace {

// Whether every byte of 0x80 or above starts a valid double-byte character, so
// that the escaping, which takes such a byte together with the next one, sees
// the same characters as the engine. 0x80 and 0xFF decode alone, and so does a
// lead byte without a valid second byte: a ")" after them would stay unescaped.
bool StepsAsDecoded(const Text& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead == 0x80 || lead == 0xFF || i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

// Whether the escaped delimiters are literal enough for the skip branch of
// BetweenPattern: every pattern character escaped but ".", "^" and "$", no
// alternation or backslash escape that could change the pattern's shape, and
// no line break inside `left` (a CR or LF byte is below 0x40, never a second
// byte, so always a line break).
bool CanSkipToLineEnd(const Text& left, const Text& right) {
  for (const Text* delimiter : {&left, &right}) {
    if (!StepsAsDecoded(*delimiter)) return false;
    if (ContainsText(*delimiter, "|") || ContainsText(*delimiter, "\\")) return false;
  }
  return left.find_first_of("\r\n") == Text::npos;
}

}  // namespace

Text BetweenPattern(const Text& left, const Text& right) {
  const Text leftText = TextOf(left);
  const Text rightText = TextOf(right);
  const Text escapedLeft = EscapeRegexText(leftText);
  const Text escapedRight = EscapeRegexText(rightText);
  if (!CanSkipToLineEnd(leftText, rightText)) return escapedLeft + "(.*?)" + escapedRight;
  return escapedLeft + "(?:(.*?)" + escapedRight + "|[^\\r\\n]*+(*SKIP)(*FAIL))";
}

int ExtractAllBetween(const Text& text, const Text& left, const Text& right, std::vector<Text>& results,
                      std::optional<int> maxLength, const std::optional<Text>& prefix,
                      const std::optional<Text>& suffix, std::optional<bool> includeLeft,
                      std::optional<bool> includeRight) {
  RegexMatcher matcher;
  results.clear();
  const Text leftText = TextOf(left);
  const Text rightText = TextOf(right);
  matcher.Search(BetweenPattern(left, right), text);
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
