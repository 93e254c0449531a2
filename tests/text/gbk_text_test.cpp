#include "text/gbk_text.h"

#include <gtest/gtest.h>

namespace {

Text G(const char* utf8) { return GbkFromUtf8(utf8); }

TEST(GbkText, TextOfStopsAtFirstZeroByte) {
  EXPECT_EQ(TextOf(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(TextOf(std::string("\0", 1)), "");
  EXPECT_EQ(TextOf("abc"), "abc");
}

struct FindCase {
  const char* name;
  Text text;
  Text what;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(GbkText, FindTextStepsOverDoubleByteCharacters) {
  // "中" is D6 D0 and "兄" is D0 D6: "D0 D6" lies across the pair in "中中".
  const FindCase cases[] = {
      {"plain", "hello world", "world", 1, false, 7},
      {"absent", "hello", "xyz", 1, false, -1},
      {"from start position", "abcabc", "abc", 2, false, 4},
      {"start past end", "abc", "a", 4, false, -1},
      {"start below one counts as one", "abc", "a", 0, false, 1},
      {"never on a second byte", G("中中"), G("兄"), 1, false, -1},
      {"whole character found", G("a中b"), G("中"), 1, false, 2},
      {"case-sensitive", "Hello", "hello", 1, false, -1},
      {"ASCII case ignored", "Hello", "hELLO", 1, true, 1},
      {"double-byte not case-folded", G("Ａ"), G("ａ"), 1, true, -1},
      {"second byte never folded", "\xB0\x61", "\xB0\x41", 1, true, -1},
      {"empty needle at start", "abc", "", 2, false, 2},
      {"empty needle in empty text", "", "", 1, false, -1},
      {"needle longer than text", "ab", "abc", 1, false, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(FindText(c.text, c.what, c.start, c.ignoreCase), c.expected) << c.name;
  }
}

TEST(GbkText, TrimBlanksRemovesOnlySpacesAndFullWidthSpaces) {
  const std::pair<Text, Text> cases[] = {
      {"  a b  ", "a b"},
      {"\t a \t", "\t a \t"},
      {G("　a　"), "a"},
      {G(" 　 a"), "a"},
      {"   ", ""},
      {"", ""},
      {"a\r\n", "a\r\n"},
      // A1 A1 inside a character pair at the end is still two blank bytes only when whole.
      {G("中　"), G("中")},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimBlanks(in), out) << Utf8FromGbk(in);
}

TEST(GbkText, ConversionsRoundTripThroughGbk) {
  Text chinese = G("回答记录列表");
  EXPECT_EQ(chinese.size(), 12u);
  EXPECT_EQ(Utf8FromGbk(chinese), "回答记录列表");
  EXPECT_EQ(GbkFromUtf16(Utf16FromGbk(chinese)), chinese);
  EXPECT_EQ(Utf16FromGbk(chinese).size(), 6u);
  // A character GBK cannot hold becomes "?".
  EXPECT_EQ(G("a😀b"), "a?b");
  EXPECT_EQ(BoolText(true), G("真"));
  EXPECT_EQ(BoolText(false), G("假"));
  EXPECT_EQ(AsciiLower(G("AbC中D")), G("abc中d"));
}

}  // namespace
