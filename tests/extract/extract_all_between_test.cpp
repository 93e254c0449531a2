#include "extract/extract_all_between.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "extract/regex_matcher.h"
#include "text/fixed_texts.h"

namespace {

Text G(const char* utf8) {
  return GbkFromUtf8(utf8);
}

struct Optional {
  std::optional<int> maxLength = std::nullopt;
  std::optional<Text> prefix = std::nullopt;
  std::optional<Text> suffix = std::nullopt;
  std::optional<bool> includeLeft = std::nullopt;
  std::optional<bool> includeRight = std::nullopt;
};

struct ExtractCase {
  const char* name;
  Text text;
  Text left;
  Text right;
  Optional options;
  std::vector<Text> expected;
};

std::vector<Text> Extract(const ExtractCase& c) {
  std::vector<Text> results = {"stale", "texts"};
  const Optional& o = c.options;
  const int n = ExtractAllBetween(c.text, c.left, c.right, results, o.maxLength, o.prefix, o.suffix, o.includeLeft,
                                  o.includeRight);
  EXPECT_EQ(n, static_cast<int>(results.size())) << c.name;
  return results;
}

TEST(ExtractAllBetween, FindsTheTextBetweenDelimiters) {
  const ExtractCase cases[] = {
      {"two results", "a[1]b[22]c", "[", "]", {}, {"1", "22"}},
      {"nothing found empties the list", "abc", "[", "]", {}, {}},
      {"a left inside a result belongs to it", "a[1[2]", "[", "]", {}, {"1[2"}},
      {"one right never ends two results", "[1]2]", "[", "]", {}, {"1"}},
      {"a right does not serve as the next left", "x1x2x3x", "x", "x", {}, {"1", "3"}},
      {"never across a line break", "[1\n2]", "[", "]", {}, {}},
      {"never across CR LF", "[1\r\n2]", "[", "]", {}, {}},
      {"a left without right on its line is passed over", "[1\n[2]", "[", "]", {}, {"2"}},
      {"delimiter letters match either case", "a=1;", "A=", ";", {}, {"1"}},
      {"an unescaped dot matches any character", "axb1;", "a.b", ";", {}, {"1"}},
      {"empty right gives empty results", "[1[2", "[", "", {}, {"", ""}},
      {"empty text", "", "[", "]", {}, {}},
      {"every special character that gets escaped", "?*+[](){}1?*+[](){}", "?*+[](){}", "?*+[](){}", {}, {"1"}},
      {"Chinese delimiters and text", G("【标题】xx【第二个】"), G("【"), G("】"), {}, {G("标题"), G("第二个")}},
      {"a second byte equal to [ is no delimiter", "\xD6[1]", "[", "]", {}, {}},
      {"results keep malformed bytes",
       "[\x81"
       "0]",
       "[",
       "]",
       {},
       {"\x81"
        "0"}},
      {"text used up to its first zero byte", std::string("[1][2\0][3]", 10), "[", "]", {}, {"1"}},
      {"a pattern that the engine rejects finds nothing", "a\\(1)", "a\\", ")", {}, {}},
  };
  for (const ExtractCase& c : cases) EXPECT_EQ(Extract(c), c.expected) << c.name;
}

TEST(ExtractAllBetween, OptionalParameters) {
  const Text page = "a[1]b[22]c";
  const Optional both{.includeLeft = true, .includeRight = true};
  const ExtractCase cases[] = {
      {"limit skips longer texts", page, "[", "]", {.maxLength = 1}, {"1"}},
      {"limit 0 is no limit", page, "[", "]", {.maxLength = 0}, {"1", "22"}},
      {"negative limit skips everything", page, "[", "]", {.maxLength = -1}, {}},
      {"limit counts bytes", G("[中文][中]"), "[", "]", {.maxLength = 3}, {G("中")}},
      {"prefix and suffix", page, "[", "]", {.prefix = "(", .suffix = ")"}, {"(1)", "(22)"}},
      {"left delimiter itself", page, "[", "]", {.includeLeft = true}, {"[1", "[22"}},
      {"right delimiter itself", page, "[", "]", {.includeRight = true}, {"1]", "22]"}},
      {"both delimiters", page, "[", "]", both, {"[1]", "[22]"}},
      {"both delimiters with a limit",
       page,
       "[",
       "]",
       {.maxLength = 1, .includeLeft = true, .includeRight = true},
       {"[1]"}},
      {"delimiters as given, not as matched", "A=1;", "a=", ";", {.includeLeft = true}, {"a=1"}},
      {"delimiters outside prefix and suffix",
       page,
       "[",
       "]",
       {.prefix = "<", .suffix = ">", .includeLeft = true, .includeRight = true},
       {"[<1>]", "[<22>]"}},
  };
  for (const ExtractCase& c : cases) EXPECT_EQ(Extract(c), c.expected) << c.name;
}

// The page delimiters of the answer list, with the noise around them that a
// real page has: other data- attributes, line breaks and a second item.
TEST(ExtractAllBetween, AnswerListDelimiters) {
  const Text item =
      "<li data-qid=\"77\" data-aid=\"4001\" data-checkcode=\"c0de1\" >   <span class=\"t\">x</span>\n"
      "<a href=\"/q/77\" class=\"question-title\"> " +
      G("为什么天空是蓝色的") + " </a>  </p> <p class=\"question-desc\">d</p>\n";
  const Text page = "<ul data-aid=\"\n" + item + item + "</ul>";
  std::vector<Text> ids, codes, titles;
  EXPECT_EQ(ExtractAllBetween(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight(), ids), 2);
  EXPECT_EQ(ExtractAllBetween(page, fixed::CheckCodeLeft(), fixed::CheckCodeRight(), codes), 2);
  EXPECT_EQ(ExtractAllBetween(page, fixed::TitleLeft(), fixed::TitleRight(), titles), 2);
  EXPECT_EQ(ids, std::vector<Text>({"4001", "4001"}));
  EXPECT_EQ(codes, std::vector<Text>({"c0de1", "c0de1"}));
  EXPECT_EQ(titles, std::vector<Text>({G("为什么天空是蓝色的"), G("为什么天空是蓝色的")}));
}

// A long line that holds the left delimiter many times and never a right one
// on the same line must neither overflow the stack nor take quadratic time;
// the benchmark reports how long it takes.
TEST(ExtractAllBetween, LongLinesFullOfLeftDelimitersComplete) {
  const Text& left = fixed::AnswerIdLeft();
  const Text& right = fixed::AnswerIdRight();
  Text line;
  for (int i = 0; i < 10'000; ++i) line += left + std::string(200 - left.size(), 'x');
  std::vector<Text> results;
  EXPECT_EQ(ExtractAllBetween(line, left, right, results), 0);
  EXPECT_EQ(ExtractAllBetween(line + "\n" + right, left, right, results), 0);
  EXPECT_EQ(ExtractAllBetween(line + "\n" + right + left + "7" + right, left, right, results), 1);
  EXPECT_EQ(results, std::vector<Text>{"7"});
}

// The pattern ExtractAllBetween uses finds what the plain escaped pattern
// finds, for delimiters that take the line-skipping branch and for those that
// cannot (alternation, backslash, a line break in the left one, bytes that
// the escaping steps over differently from the decoder).
TEST(ExtractAllBetween, SameAsThePlainEscapedPattern) {
  const std::pair<Text, Text> delimiters[] = {
      {"[", "]"},   {"a.", "$"},  {"^x", "y"},        {"(", ")"},         {"", "-"},
      {"-", ""},    {"", ""},     {"x", "\n"},        {"[", "\n9"},       {"\n[", "]"},
      {"a|[", "]"}, {"[", "\\]"}, {"\x80(", "\x80)"}, {G("【"), G("】")}, {"\x81", "]"},
  };
  const Text text = "a1$ [2] x3y\n^x4y (5) a.6$ -7- [8\n9] [[[\n[x]\r\n" + G("【文】") + "\x80(1\x80)\x81]";
  for (const auto& [left, right] : delimiters) {
    for (const bool useJit : {true, false}) {
      RegexLimits limits;
      limits.useJit = useJit;
      RegexMatcher plain(limits);
      RegexMatcher used(limits);
      const bool plainOk = plain.Search(EscapeRegexText(left) + "(.*?)" + EscapeRegexText(right), text);
      EXPECT_EQ(used.Search(BetweenPattern(left, right), text), plainOk) << left << " ... " << right;
      ASSERT_EQ(used.MatchCount(), plain.MatchCount()) << left << " ... " << right;
      for (int i = 1; i <= plain.MatchCount(); ++i) {
        EXPECT_EQ(used.SubMatchText(i, 1), plain.SubMatchText(i, 1)) << left << " ... " << right << " #" << i;
      }
    }
  }
}

// Where the JIT cannot run, PCRE2's interpreter would scan to the line's end
// from every left delimiter; the extraction's pattern keeps it linear.
TEST(ExtractAllBetween, LongLinesStayLinearWithoutTheJit) {
  const Text& left = fixed::AnswerIdLeft();
  const Text& right = fixed::AnswerIdRight();
  Text line;
  for (int i = 0; i < 10'000; ++i) line += left + std::string(200 - left.size(), 'x');
  RegexLimits limits;
  limits.useJit = false;
  RegexMatcher m(limits);
  EXPECT_TRUE(m.Search(BetweenPattern(left, right), line));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_TRUE(m.Search(BetweenPattern(left, right), line + "\n" + right + left + "7" + right));
  ASSERT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.SubMatchText(1, 1), "7");
}

// Results are cut out of the page's bytes rather than encoded back from the
// engine's UTF-16; for well-formed GBK the two must agree. Every double-byte
// code and the single-byte euro sign 0x80, each between delimiters.
TEST(ExtractAllBetween, CutResultsEqualConvertedBackTextForEveryGbkCharacter) {
  Text page;
  size_t codes = 0;
  auto add = [&](const Text& character) {
    page += "<" + character + ">";
    ++codes;
  };
  add("\x80");
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail != 0x7F) add({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  std::vector<Text> results;
  ASSERT_EQ(ExtractAllBetween(page, "<", ">", results), static_cast<int>(codes));
  for (const Text& found : results) {
    ASSERT_EQ(found, GbkFromUtf16(Utf16FromGbk(found))) << testing::PrintToString(found);
  }
}

// Each call owns its matcher and engine state: calls on two threads at once
// give the same answers as one after the other.
TEST(ExtractAllBetween, ConcurrentCallsShareNothing) {
  Text page;
  for (int i = 0; i < 200; ++i) page += "<a data-id=\"" + std::to_string(i) + "\"> " + G("标题") + " </a>\n";
  std::vector<Text> expected;
  ASSERT_EQ(ExtractAllBetween(page, "data-id=\"", "\"", expected), 200);
  auto work = [&](bool& same) {
    same = true;
    for (int round = 0; round < 30; ++round) {
      std::vector<Text> results;
      ExtractAllBetween(page, "data-id=\"", "\"", results);
      same = same && results == expected;
    }
  };
  bool first = false;
  bool second = false;
  std::thread a(work, std::ref(first));
  std::thread b(work, std::ref(second));
  a.join();
  b.join();
  EXPECT_TRUE(first);
  EXPECT_TRUE(second);
}

TEST(EscapeRegexText, EscapesExactlyTheNineCharacters) {
  const std::pair<Text, Text> cases[] = {
      {"a(b)?", "a\\(b\\)\\?"},
      {"x{2}", "x\\{2\\}"},
      {"a.b|c", "a.b|c"},
      {"*+[]", "\\*\\+\\[\\]"},
      {"^$\\", "^$\\"},
      {"", ""},
      // D6 5B, D6 5D, D6 7B and D6 7D are characters whose second bytes are "[", "]", "{" and "}".
      {"\xD6[\xD6]\xD6{\xD6}", "\xD6[\xD6]\xD6{\xD6}"},
      {G("中(文)"), G("中") + "\\(" + G("文") + "\\)"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeRegexText(text), escaped) << text;
}

}  // namespace
