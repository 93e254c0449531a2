#include "extract/replace_batch.h"

#include <gtest/gtest.h>

namespace {

Text G(const char* utf8) {
  return GbkFromUtf8(utf8);
}

struct PassCase {
  const char* name;
  Text text;
  std::optional<int> count;
  std::optional<int> start;
  std::optional<bool> caseSensitive;
  Text find;
  Text with;
  Text expected;
};

TEST(ReplaceBatch, OnePair) {
  // "中" is D6 D0 and "兄" is D0 D6; D6 5B is one character whose second byte is "[".
  const PassCase cases[] = {
      {"both cases by default", "aAa", {}, {}, {}, "a", "b", "bbb"},
      {"case-sensitive", "aAa", {}, {}, true, "a", "b", "bAb"},
      {"count limits replacements", "aAa", 1, {}, {}, "a", "b", "bAa"},
      {"count 0 changes nothing", "aAa", 0, {}, {}, "a", "b", "aAa"},
      {"negative count is no limit", "aAa", -1, {}, {}, "a", "b", "bbb"},
      {"start skips the bytes before it", "aAa", {}, 2, {}, "a", "b", "abb"},
      {"start 0 means 1", "aAa", {}, 0, {}, "a", "b", "bbb"},
      {"negative start means 1", "aAa", {}, -3, {}, "a", "b", "bbb"},
      {"start past the end", "aAa", {}, 9, {}, "a", "b", "aAa"},
      {"start on the last byte", "aAa", {}, 3, {}, "a", "b", "aAb"},
      {"empty find changes nothing", "abc", {}, {}, {}, "", "x", "abc"},
      {"empty text", "", {}, {}, {}, "a", "b", ""},
      {"replacements are not searched again", "aa", {}, {}, {}, "a", "aa", "aaaa"},
      {"longer find, no overlap", "aaaa", {}, {}, {}, "aa", "b", "bb"},
      {"find longer than the text", "ab", {}, {}, {}, "abc", "x", "ab"},
      {"never from a second byte", G("中中"), {}, {}, {}, G("兄"), "x", G("中中")},
      {"second byte equal to [ is no [", "\xD6[[", {}, {}, {}, "[", "\\[", "\xD6[\\["},
      {"whole double-byte characters are found", G("a中b中"), {}, {}, {}, G("中"), "-", "a-b-"},
      {"second bytes compare exactly even when they look like letters",
       "\xB0"
       "a\xB0"
       "A",
       {},
       {},
       {},
       "\xB0"
       "a",
       "x",
       "x\xB0"
       "A"},
      {"lone lead byte at the end is copied", "a\x81", {}, {}, {}, "b", "c", "a\x81"},
      {"text used up to its first zero byte", std::string("a\0a", 3), {}, {}, {}, "a", "b", "b"},
  };
  for (const PassCase& c : cases) {
    EXPECT_EQ(ReplaceBatch(c.text, c.count, c.start, c.caseSensitive, c.find, c.with), c.expected) << c.name;
  }
}

TEST(ReplaceBatch, PairsRunInSequence) {
  EXPECT_EQ(ReplaceBatch("aAa", {}, {}, {}, "a", "b", "b", "c"), "ccc");
  // An absent replacement removes its find text; an absent pair changes nothing.
  EXPECT_EQ(ReplaceBatch("a-b", {}, {}, {}, "x", "y", "-", std::nullopt), "ab");
  EXPECT_EQ(ReplaceBatch("a-b", {}, {}, {}, "x", "y", std::nullopt, "z"), "a-b");
  // count and start apply to every pair afresh.
  EXPECT_EQ(ReplaceBatch("abab", 1, 2, {}, "a", "x", "b", "y", "x", "z", "y", "w", "w", "v"), "avzb");
  EXPECT_EQ(ReplaceBatch("12345", {}, {}, {}, "1", "a", "2", "b", "3", "c", "4", "d", "5", "e"), "abcde");
}

}  // namespace
