#include "extract/replace_batch.h"

#include <limits>
#include <string_view>

namespace {

Text ReplacePass(std::string_view text, std::string_view find, std::string_view with, size_t startOffset,
                 std::optional<int> count, bool caseSensitive) {
  if (text.empty() || find.empty() || startOffset >= text.size() || (count && *count == 0)) return Text(text);
  const long long limit = count && *count > 0 ? *count : std::numeric_limits<long long>::max();
  Text out(text.substr(0, startOffset));
  out.reserve(text.size());
  size_t at = startOffset;
  long long made = 0;
  while (made < limit && text.size() - at >= find.size()) {
    if (SameTextAt(text, at, find, !caseSensitive)) {
      out += with;
      at += find.size();
      ++made;
      continue;
    }
    const size_t step = IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
    out.append(text, at, step);
    at += step;
  }
  out.append(text, at);
  return out;
}

}  // namespace

Text ReplaceBatch(const Text& text, std::optional<int> count, std::optional<int> start,
                  std::optional<bool> caseSensitive, const Text& find1, const Text& with1,
                  const std::optional<Text>& find2, const std::optional<Text>& with2, const std::optional<Text>& find3,
                  const std::optional<Text>& with3, const std::optional<Text>& find4, const std::optional<Text>& with4,
                  const std::optional<Text>& find5, const std::optional<Text>& with5) {
  const size_t startOffset = start && *start > 1 ? static_cast<size_t>(*start) - 1 : 0;
  const bool exact = caseSensitive.value_or(false);
  const Text none;
  const std::pair<const Text*, const Text*> pairs[] = {
      {&find1, &with1},
      {find2 ? &*find2 : &none, with2 ? &*with2 : &none},
      {find3 ? &*find3 : &none, with3 ? &*with3 : &none},
      {find4 ? &*find4 : &none, with4 ? &*with4 : &none},
      {find5 ? &*find5 : &none, with5 ? &*with5 : &none},
  };
  Text current = TextOf(text);
  for (const auto& [find, with] : pairs) {
    current = ReplacePass(current, TextOf(*find), TextOf(*with), startOffset, count, exact);
  }
  return current;
}
