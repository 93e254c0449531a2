#pragma once

#include <optional>
#include <vector>

#include "text/gbk_text.h"

// Collects, in page order, every text that lies between an occurrence of
// `left` and the nearest following occurrence of `right` on the same line,
// letters of both delimiters matching either case; returns how many texts
// `results` holds (it is emptied first). After a result the search goes on
// behind its `right`; a `left` with no `right` later on its line yields
// nothing. The delimiters are literal except for ".", "^", "$", "|" and "\",
// which keep their pattern meaning (see EscapeRegexText).
//
// Optional: a found text longer than `maxLength` bytes is skipped (absent or 0:
// no limit; a negative limit skips all); `prefix` and `suffix` go around each
// result; `includeLeft` and `includeRight` put the delimiters themselves before
// and after it, the limit or not.
int ExtractAllBetween(const Text& text, const Text& left, const Text& right, std::vector<Text>& results,
                      std::optional<int> maxLength = std::nullopt, const std::optional<Text>& prefix = std::nullopt,
                      const std::optional<Text>& suffix = std::nullopt, std::optional<bool> includeLeft = std::nullopt,
                      std::optional<bool> includeRight = std::nullopt);

// The pattern ExtractAllBetween searches with: the escaped left delimiter, a
// lazy group 1, the escaped right delimiter, so that group 1 of each match is
// a result. Where the delimiters allow it, a second branch takes the rest of
// the line and (*SKIP)s to its end when no right delimiter follows: a later
// left delimiter on that line could only end at a right one that the failed
// attempt already looked for. Without it a long line full of left delimiters
// and no right one costs a scan to the line's end from every one of them,
// quadratic time that PCRE2's JIT avoids on its own but its interpreter (the
// fallback where the JIT cannot run) does not.
Text BetweenPattern(const Text& left, const Text& right);

// A backslash before every "?", "*", "+", "[", "]", "(", ")", "{" and "}"
// that is a character of its own (not the second byte of a double-byte
// character); nothing else is escaped.
Text EscapeRegexText(const Text& text);
