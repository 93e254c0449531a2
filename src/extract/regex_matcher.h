#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/gbk_text.h"

// Bounds on the work of one match attempt. An input that needs more fails as
// "no match" (Search returns false) instead of running on. The JIT counts the
// match limit; the interpreter, used only where the JIT cannot run, counts
// both. They bound backtracking from one start position, not a scan repeated
// from many starts (see BetweenPattern for how the extraction avoids those).
struct RegexLimits {
  uint32_t matchLimit = 10'000'000;
  uint32_t depthLimit = 100'000;
  // Off only to check the interpreter's bounds in tests.
  bool useJit = true;
};

// Regular-expression search over GBK texts, by 1-based match and group index.
//
// The engine is PCRE2 (16-bit, JIT) on the UTF-16 form of the pattern and the
// subject; every text read back is cut out of the subject's own GBK bytes, so a
// result holds exactly the bytes of the page, and `position` is the exact byte
// offset (from 0) of the returned text in the subject.
//
// Matching: "." matches any character but CR and LF; "$" in multiline mode
// matches before CR or LF, without it only at the very end; case-insensitive
// matching folds letters by Unicode rules; global search yields matches left to
// right without overlap, moving one character on after an empty match.
// ECMAScript-style escapes \uhhhh and \xhh are understood.
//
// Texts are used up to their first zero byte. A matcher holds only values (no
// engine object survives Search), so copies are independent and safe.
class RegexMatcher {
 public:
  RegexMatcher() = default;
  explicit RegexMatcher(RegexLimits engineLimits) : limits(engineLimits) {}

  // True when the pattern compiled and the search ran to its end, also when it
  // found nothing. False for a pattern the engine rejects or an input beyond
  // the limits; every query then answers empty text or 0.
  bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false, bool multiline = true,
              bool global = true);

  // The pattern of the last Search; empty before the first.
  Text GetPattern() const { return pattern; }

  // The subject of the last Search with its matches (all of them, or the first
  // without global) replaced by `replacement`, in which "$1".."$99" stand for
  // a group, "$&" for the match, "$`" and "$'" for the text before and after
  // it, and "$$" for "$". Empty text when the last Search failed or none ran.
  Text ReplaceMatches(const Text& replacement = Text()) const;

  int MatchCount() const { return static_cast<int>(matchCount); }

  // Text of match `index`; empty text for an index outside the matches.
  // `position`, when given, receives its byte offset or -1 when there is no
  // such match.
  Text MatchText(int index, int* position = nullptr) const;

  // Text that group `groupIndex` captured in match `matchIndex`; empty text
  // when the group took no part in the match or either index is outside.
  // `position` as for MatchText: -1 when there is no captured text.
  Text SubMatchText(int matchIndex, int groupIndex, int* position = nullptr) const;

  // Capture groups of the pattern when there is at least one match, else 0.
  int SubMatchCount() const { return matchCount > 0 ? static_cast<int>(groupCount) : 0; }

 private:
  static constexpr size_t kUnset = static_cast<size_t>(-1);

  // Byte span [begin, end) of group `group` (0 = whole match) of match
  // `match` (0-based), or {kUnset, kUnset}.
  std::pair<size_t, size_t> Span(size_t match, size_t group) const;
  Text SpanText(size_t match, size_t group, int* position) const;

  RegexLimits limits;
  Text pattern;
  Text subject;
  bool succeeded = false;
  size_t groupCount = 0;
  size_t matchCount = 0;
  // (groupCount + 1) byte spans per match, begin and end, kUnset when unset.
  std::vector<size_t> spans;
};
