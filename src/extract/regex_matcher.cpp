#include "extract/regex_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "extract/decoded_text.h"

namespace {

struct Pcre2Free {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};
template <typename T>
using Pcre2Ptr = std::unique_ptr<T, Pcre2Free>;

// The JIT's default stack is 32 KB of the machine stack; patterns with deep
// backtracking get up to 1 MB of their own, one per thread (a JIT stack must
// not be used by two threads at once).
pcre2_jit_stack* ThreadJitStack() {
  thread_local Pcre2Ptr<pcre2_jit_stack> stack(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr));
  return stack.get();
}

PCRE2_SPTR UnitsOf(const std::u16string& units) {
  return reinterpret_cast<PCRE2_SPTR>(units.data());
}

// A page is searched three times in a row with three patterns: it is decoded
// once per thread and reused while the same bytes come back.
std::shared_ptr<const DecodedText> DecodeSubject(const std::string& subject) {
  thread_local std::string lastBytes;
  thread_local std::shared_ptr<const DecodedText> last;
  if (!last || lastBytes != subject) {
    last = std::make_shared<const DecodedText>(subject);
    lastBytes = subject;
  }
  return last;
}

// Compiled patterns, per thread (a JIT-compiled pattern is read-only but its
// match data is not): the same few patterns run for every page.
struct CompiledPattern {
  Pcre2Ptr<pcre2_code> code;
  Pcre2Ptr<pcre2_match_data> matchData;
  uint32_t captures = 0;
};

std::shared_ptr<CompiledPattern> Compile(const std::string& pattern, uint32_t options, bool useJit) {
  thread_local std::vector<std::pair<std::string, std::shared_ptr<CompiledPattern>>> cache;
  std::string key = pattern;
  key.push_back('\0');
  key += std::to_string(options) + (useJit ? "j" : "i");
  for (const auto& [k, compiled] : cache) {
    if (k == key) return compiled;
  }
  Pcre2Ptr<pcre2_compile_context> compileContext(pcre2_compile_context_create(nullptr));
  if (!compileContext) return nullptr;
  // "." and "$" treat CR and LF (and CR LF) as line breaks, as a page's lines end.
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
  const DecodedText patternUnits(pattern);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code.reset(pcre2_compile(UnitsOf(patternUnits.Units()), patternUnits.Units().size(), options,
                                     &errorCode, &errorOffset, compileContext.get()));
  if (!compiled->code) return nullptr;
  // Without the JIT (unsupported machine, no executable memory) the interpreter
  // runs instead, under both limits.
  if (useJit) pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE);
  pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_CAPTURECOUNT, &compiled->captures);
  compiled->matchData.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
  if (!compiled->matchData) return nullptr;
  if (cache.size() >= 16) cache.erase(cache.begin());
  cache.emplace_back(std::move(key), compiled);
  return compiled;
}

}  // namespace

bool RegexMatcher::Search(const Text& patternText, const Text& subjectText, bool caseSensitive, bool multiline,
                          bool global) {
  pattern = TextOf(patternText);
  subject = TextOf(subjectText);
  succeeded = false;
  groupCount = 0;
  matchCount = 0;
  spans.clear();

  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  const std::shared_ptr<CompiledPattern> compiled = Compile(pattern, options, limits.useJit);
  if (!compiled) return false;
  pcre2_code* code = compiled->code.get();
  pcre2_match_data* matchData = compiled->matchData.get();
  const uint32_t captures = compiled->captures;
  Pcre2Ptr<pcre2_match_context> matchContext(pcre2_match_context_create(nullptr));
  if (!matchContext) return false;
  pcre2_set_match_limit(matchContext.get(), limits.matchLimit);
  pcre2_set_depth_limit(matchContext.get(), limits.depthLimit);
  if (pcre2_jit_stack* stack = ThreadJitStack()) pcre2_jit_stack_assign(matchContext.get(), nullptr, stack);

  const std::shared_ptr<const DecodedText> decoded = DecodeSubject(subject);
  const DecodedText& text = *decoded;
  const PCRE2_SPTR units = UnitsOf(text.Units());
  const size_t length = text.Units().size();
  const size_t width = static_cast<size_t>(captures) + 1;
  size_t start = 0;
  while (start <= length) {
    // The subject is well-formed UTF-16 by construction: no need to check it on every call.
    const int rc =
        pcre2_match(code, units, length, start, PCRE2_NO_UTF_CHECK, matchData, matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      // Beyond a limit, or an engine error: the search as a whole fails, so
      // that callers never see some of a page's matches and not others.
      spans.clear();
      matchCount = 0;
      return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData);
    for (size_t g = 0; g < width; ++g) {
      const bool set = g < static_cast<size_t>(rc) && ovector[2 * g] != PCRE2_UNSET;
      spans.push_back(set ? text.ByteOffset(ovector[2 * g]) : kUnset);
      spans.push_back(set ? text.ByteOffset(ovector[2 * g + 1]) : kUnset);
    }
    ++matchCount;
    if (!global) break;
    const size_t matchBegin = ovector[0];
    const size_t matchEnd = ovector[1];
    // After an empty match the next search starts one character further on.
    start = matchEnd > matchBegin && matchEnd > start ? matchEnd : std::max(matchEnd, start) + 1;
  }
  groupCount = captures;
  succeeded = true;
  return true;
}

std::pair<size_t, size_t> RegexMatcher::Span(size_t match, size_t group) const {
  const size_t at = (match * (groupCount + 1) + group) * 2;
  return {spans[at], spans[at + 1]};
}

Text RegexMatcher::SpanText(size_t match, size_t group, int* position) const {
  const auto [begin, end] = Span(match, group);
  if (begin == kUnset) {
    if (position) *position = -1;
    return Text();
  }
  if (position) *position = static_cast<int>(begin);
  return subject.substr(begin, end - begin);
}

Text RegexMatcher::MatchText(int index, int* position) const {
  if (index < 1 || static_cast<size_t>(index) > matchCount) {
    if (position) *position = -1;
    return Text();
  }
  return SpanText(static_cast<size_t>(index - 1), 0, position);
}

Text RegexMatcher::SubMatchText(int matchIndex, int groupIndex, int* position) const {
  if (matchIndex < 1 || static_cast<size_t>(matchIndex) > matchCount || groupIndex < 1 ||
      static_cast<size_t>(groupIndex) > groupCount) {
    if (position) *position = -1;
    return Text();
  }
  return SpanText(static_cast<size_t>(matchIndex - 1), static_cast<size_t>(groupIndex), position);
}

Text RegexMatcher::ReplaceMatches(const Text& replacementText) const {
  if (!succeeded) return Text();
  const Text replacement = TextOf(replacementText);
  Text out;
  out.reserve(subject.size());
  size_t copied = 0;
  for (size_t m = 0; m < matchCount; ++m) {
    const auto [begin, end] = Span(m, 0);
    out.append(subject, copied, begin - copied);
    auto appendGroup = [&](size_t group) {
      const auto [groupBegin, groupEnd] = Span(m, group);
      if (groupBegin != kUnset) out.append(subject, groupBegin, groupEnd - groupBegin);
    };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    // "$" (0x24) and the digits are below 0x40 and so never the second byte
    // of a double-byte character: the replacement can be read byte by byte.
    for (size_t i = 0; i < replacement.size(); ++i) {
      const char c = replacement[i];
      const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
      if (c != '$' || next == '\0') {
        out += c;
      } else if (next == '$') {
        out += '$';
        ++i;
      } else if (next == '&') {
        appendGroup(0);
        ++i;
      } else if (next == '`') {
        out.append(subject, 0, begin);
        ++i;
      } else if (next == '\'') {
        out.append(subject, end);
        ++i;
      } else if (isDigit(next)) {
        const size_t one = static_cast<size_t>(next - '0');
        const bool hasSecond = i + 2 < replacement.size() && isDigit(replacement[i + 2]);
        const size_t two = hasSecond ? one * 10 + static_cast<size_t>(replacement[i + 2] - '0') : 0;
        if (hasSecond && two >= 1 && two <= groupCount) {
          appendGroup(two);
          i += 2;
        } else if (one >= 1 && one <= groupCount) {
          appendGroup(one);
          ++i;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    copied = end;
  }
  out.append(subject, copied);
  return out;
}
