#include "extract/regex_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Text G(const char* utf8) {
  return GbkFromUtf8(utf8);
}

struct Options {
  bool caseSensitive = false;
  bool multiline = true;
  bool global = true;
};

// One expected match: its whole text, its byte position, and each group's text.
struct Found {
  Text whole;
  int position;
  std::vector<Text> groups;
};

struct MatchCase {
  const char* name;
  Text pattern;
  Text subject;
  Options options;
  std::vector<Found> expected;
};

void ExpectMatches(const MatchCase& c) {
  SCOPED_TRACE(c.name);
  RegexMatcher m;
  ASSERT_TRUE(m.Search(c.pattern, c.subject, c.options.caseSensitive, c.options.multiline, c.options.global));
  ASSERT_EQ(m.MatchCount(), static_cast<int>(c.expected.size()));
  for (size_t i = 0; i < c.expected.size(); ++i) {
    const Found& f = c.expected[i];
    const int index = static_cast<int>(i) + 1;
    int position = -9;
    EXPECT_EQ(m.MatchText(index, &position), f.whole) << "match " << index;
    EXPECT_EQ(position, f.position) << "match " << index;
    for (size_t g = 0; g < f.groups.size(); ++g) {
      EXPECT_EQ(m.SubMatchText(index, static_cast<int>(g) + 1), f.groups[g]) << "match " << index << " group " << g + 1;
    }
  }
}

TEST(RegexMatcher, MatchingSemantics) {
  const Options exact{.caseSensitive = true};
  const Options firstOnly{.global = false};
  const Options singleLine{.multiline = false};
  const MatchCase cases[] = {
      {"empty subject", "a(.*?)b", "", {}, {}},
      {"two lazy matches", "a(.*?)b", "a1b a22b", {}, {{"a1b", 0, {"1"}}, {"a22b", 4, {"22"}}}},
      {"nearest right end", "a(.*?)b", "a1b2b", {}, {{"a1b", 0, {"1"}}}},
      {"no match across LF", "a(.*?)b", "a1\nb", {}, {}},
      {"no match across CR", "a(.*?)b", "a1\rb", {}, {}},
      {"no match across CR LF", "a(.*?)b", "a1\r\nb", {}, {}},
      {"a line break in the pattern itself", "a\n(.)", "a\nb", {}, {{"a\nb", 0, {"b"}}}},
      {"case ignored by default", "A(.*?)B", "a1b", {}, {{"a1b", 0, {"1"}}}},
      {"case-sensitive", "A(.*?)B", "a1b", exact, {}},
      {"full-width letters fold too", G("Ａ(.)"), G("ａ1"), {}, {{G("ａ1"), 0, {"1"}}}},
      {"dot takes a whole double-byte character", "x(.)y", G("x中y"), {}, {{G("x中y"), 0, {G("中")}}}},
      {"positions count bytes", "(b)", G("中b中b"), {}, {{"b", 2, {"b"}}, {"b", 5, {"b"}}}},
      {"first match only without global", "a(.)", "a1a2", firstOnly, {{"a1", 0, {"1"}}}},
      {"multiline anchors", "^(\\w+)$", "ab\r\ncd", {}, {{"ab", 0, {"ab"}}, {"cd", 4, {"cd"}}}},
      {"single-line anchors", "^(\\w+)$", "ab\ncd", singleLine, {}},
      {"single-line dollar only at the very end", "b$", "ab\n", singleLine, {}},
      {"empty matches move one character on", "x*", "axb", {}, {{"", 0, {}}, {"x", 1, {}}, {"", 2, {}}, {"", 3, {}}}},
      {"escaped specials are literal", "\\?\\{(\\d)\\}", "a?{1}", {}, {{"?{1}", 1, {"1"}}}},
      {"unescaped dot matches anything", "a.b(.)", "axb1", {}, {{"axb1", 0, {"1"}}}},
      {"alternation splits the whole pattern", "a|b(.)", "ab1", {}, {{"a", 0, {""}}, {"b1", 1, {"1"}}}},
      {"ECMAScript unicode escape", "\\u4E2D(.)", G("中文"), {}, {{G("中文"), 0, {G("文")}}}},
      {"group that took no part", "(a)|(b)", "b", {}, {{"b", 0, {"", "b"}}}},
      {"text after a zero byte is not searched", "a(.)", std::string("a1\0a2", 5), {}, {{"a1", 0, {"1"}}}},
  };
  for (const MatchCase& c : cases) ExpectMatches(c);
}

TEST(RegexMatcher, ResultsKeepThePageBytesEvenWhereTheyAreMalformed) {
  // 81 30 is no character: it decodes to U+FFFD and "0", which would come back as "?0".
  // FF alone decodes to a private-use character. A lead byte at the very end has no partner.
  const MatchCase cases[] = {
      {"lead byte without a valid second byte",
       "\\[(.*?)\\]",
       "x[\x81"
       "0]y",
       {},
       {{"[\x81"
         "0]",
         1,
         {"\x81"
          "0"}}}},
      {"single FF byte", "\\[(.)\\]", "[\xFF]", {}, {{"[\xFF]", 0, {"\xFF"}}}},
      {"lone lead byte at the end", "\\[(.)$", "a[\x81", {}, {{"[\x81", 1, {"\x81"}}}},
      {"malformed bytes before the match",
       "(b)",
       "\x81"
       "0\xFF"
       "b",
       {},
       {{"b", 3, {"b"}}}},
  };
  for (const MatchCase& c : cases) ExpectMatches(c);
}

TEST(RegexMatcher, IndexesOutsideTheMatchesGiveEmptyText) {
  RegexMatcher m;
  ASSERT_TRUE(m.Search("a(.)(x)?", "a1 a2"));
  ASSERT_EQ(m.MatchCount(), 2);
  EXPECT_EQ(m.SubMatchCount(), 2);
  int position = 7;
  for (const int index : {0, -1, 3}) {
    EXPECT_EQ(m.MatchText(index, &position), "") << index;
    EXPECT_EQ(position, -1);
    EXPECT_EQ(m.SubMatchText(index, 1), "") << index;
  }
  for (const int group : {0, -1, 3}) EXPECT_EQ(m.SubMatchText(1, group, &position), "") << group;
  EXPECT_EQ(m.SubMatchText(2, 2, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(m.SubMatchText(2, 1, &position), "2");
  EXPECT_EQ(position, 4);
}

TEST(RegexMatcher, BeforeAnySearchEverythingIsEmpty) {
  const RegexMatcher m;
  int position = 5;
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchCount(), 0);
  EXPECT_EQ(m.MatchText(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(m.SubMatchText(1, 1), "");
  EXPECT_EQ(m.GetPattern(), "");
  EXPECT_EQ(m.ReplaceMatches("x"), "");
}

TEST(RegexMatcher, RejectedPatternFailsAndClearsEarlierResults) {
  RegexMatcher m;
  ASSERT_TRUE(m.Search("a(.)", "a1"));
  ASSERT_EQ(m.MatchCount(), 1);
  for (const Text& bad : {Text("a(b"), Text("a)"), Text("x{2,1}"), Text("\\")}) {
    EXPECT_FALSE(m.Search(bad, "a(b a) a1 xx")) << bad;
    EXPECT_EQ(m.MatchCount(), 0) << bad;
    EXPECT_EQ(m.SubMatchCount(), 0) << bad;
    EXPECT_EQ(m.MatchText(1), "") << bad;
    EXPECT_EQ(m.SubMatchText(1, 1), "") << bad;
    EXPECT_EQ(m.ReplaceMatches("y"), "") << bad;
    EXPECT_EQ(m.GetPattern(), bad);
  }
  EXPECT_TRUE(m.Search("b", "abc"));
  EXPECT_EQ(m.SubMatchCount(), 0);
  EXPECT_EQ(m.MatchCount(), 1);
}

TEST(RegexMatcher, InputBeyondTheLimitsIsNoMatchRatherThanAHang) {
  // A long line full of left delimiters with the right one only on the next
  // line: with a tiny match limit the search gives up and reports nothing.
  Text line;
  for (int i = 0; i < 10'000; ++i) line += "[" + std::string(199, 'x');
  line += "\n]";
  RegexMatcher tight(RegexLimits{.matchLimit = 1000, .depthLimit = 100});
  EXPECT_FALSE(tight.Search("\\[(.*?)\\]", line));
  EXPECT_EQ(tight.MatchCount(), 0);

  // Catastrophic backtracking under the default limits ends as well, and
  // drops the match found before it so that a caller never gets part of a page.
  RegexMatcher defaults;
  EXPECT_FALSE(defaults.Search("(a+)+b", "aab " + std::string(40, 'a') + "cb"));
  EXPECT_EQ(defaults.MatchCount(), 0);
  EXPECT_EQ(defaults.MatchText(1), "");

  // The same long line under the default limits completes with the right answer.
  EXPECT_TRUE(defaults.Search("\\[(.*?)\\]", line + "[1]"));
  ASSERT_EQ(defaults.MatchCount(), 1);
  EXPECT_EQ(defaults.SubMatchText(1, 1), "1");
}

TEST(RegexMatcher, CopiesAreIndependent) {
  RegexMatcher m;
  ASSERT_TRUE(m.Search("a(.)", "a1 a2"));
  const RegexMatcher copy = m;
  ASSERT_TRUE(m.Search("b(.)", "b9"));
  EXPECT_EQ(copy.MatchCount(), 2);
  EXPECT_EQ(copy.SubMatchText(2, 1), "2");
  EXPECT_EQ(copy.GetPattern(), "a(.)");
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.SubMatchText(1, 1), "9");
}

struct ReplaceCase {
  const char* name;
  Text pattern;
  Text subject;
  bool global;
  Text replacement;
  Text expected;
};

TEST(RegexMatcher, ReplaceMatches) {
  const ReplaceCase cases[] = {
      {"every match", "a(.)", "a1-a2", true, "[$1]", "[1]-[2]"},
      {"first match without global", "a(.)", "a1-a2", false, "[$1]", "[1]-a2"},
      {"empty replacement removes", "a(.)", "a1-a2", true, "", "-"},
      {"whole match, before, after, dollar", "b", "abc", true, "<$&|$`|$'|$$>", "a<b|a|c|$>c"},
      {"two-digit group only when it exists", "(a)", "a", true, "$12", "a2"},
      {"missing groups stay literal", "(a)", "a", true, "$0$2$x$", "$0$2$x$"},
      {"unset group is empty", "(a)|(b)", "b", true, "<$1$2>", "<b>"},
      {"no match keeps the subject", "z", "abc", true, "y", "abc"},
      {"double-byte replacement and malformed bytes kept", "a",
       "\x81"
       "0a\xFF",
       true, G("中"),
       "\x81"
       "0" +
           G("中") + "\xFF"},
      {"empty matches", "x*", "ab", true, "-", "-a-b-"},
  };
  for (const ReplaceCase& c : cases) {
    RegexMatcher m;
    ASSERT_TRUE(m.Search(c.pattern, c.subject, false, true, c.global)) << c.name;
    EXPECT_EQ(m.ReplaceMatches(c.replacement), c.expected) << c.name;
  }
}

}  // namespace
