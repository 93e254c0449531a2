#include "http/response_decoding.h"

#include <gtest/gtest.h>

namespace {

Text G(const char* utf8) {
  return GbkFromUtf8(utf8);
}
Bytes B(const char* hex) {
  Bytes out;
  for (const char* p = hex; p[0] && p[1]; p += 2)
    out.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
  return out;
}

struct Case {
  const char* name;
  Text (*convert)(const Text&);
  Bytes input;
  Text expected;
};

TEST(ResponseDecoding, ConversionsToGbk) {
  const Case cases[] = {
      {"UTF-8 empty", Utf8ToGbk, "", ""},
      {"UTF-8 Chinese, two bytes each", Utf8ToGbk, "\xE4\xB8\xAD\xE6\x96\x87 ok", G("中文 ok")},
      {"UTF-8 emoji becomes ?", Utf8ToGbk,
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b"},
      {"UTF-8 up to the zero byte", Utf8ToGbk, std::string("\xE4\xB8\xAD\0\xE6\x96\x87", 7), G("中")},
      {"Big5 empty", Big5ToSimplifiedGbk, "", ""},
      {"Big5 traditional to simplified", Big5ToSimplifiedGbk, B("c163c5e9a4a4a4e5"), G("繁体中文")},
      {"Big5 more simplification", Big5ToSimplifiedGbk, B("b36fadd3b0eaae61"), G("这个国家")},
      // U+2027 (Big5 A1 45) has no GBK form: it is replaced and the text goes on.
      {"Big5 character GBK lacks", Big5ToSimplifiedGbk, B("ab65a145abe1"), G("前") + "?" + G("后")},
      {"Big5 up to the zero byte", Big5ToSimplifiedGbk, B("ab6500abe1"), G("前")},
      {"Big5 kept traditional", Big5ToGbk, B("c163c5e9"), G("繁體")},
      {"simplify GBK text", SimplifyChinese, G("這個國家 abc"), G("这个国家 abc")},
      {"simplify leaves simplified text", SimplifyChinese, G("简体"), G("简体")},
      {"simplify empty", SimplifyChinese, "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.convert(c.input), c.expected) << c.name;
}

TEST(ResponseDecoding, Utf16BuffersCarryTheirTerminator) {
  EXPECT_EQ(MultiByteToUtf16("ab"), Bytes("a\0b\0\0\0", 6));
  EXPECT_EQ(MultiByteToUtf16(""), Bytes("\0\0", 2));
  EXPECT_EQ(MultiByteToUtf16(G("中"), 936), Bytes("\x2D\x4E\0\0", 4));  // U+4E2D
  // Back through the default (GBK) and an explicit code page; the reverse
  // stops at the first zero unit.
  EXPECT_EQ(Utf16ToMultiByte(Bytes("\x2D\x4E\0\0x\0", 6)), G("中"));
  EXPECT_EQ(Utf16ToMultiByte(Bytes("\x2D\x4E\0\0", 4), 65001), "\xE4\xB8\xAD");
  EXPECT_EQ(Utf16ToMultiByte(Bytes("\x2D\x4E\0\0", 4), 950), B("a4a4"));
  EXPECT_EQ(Utf16ToMultiByte(""), "");
}

TEST(ResponseDecoding, BufferBuilders) {
  EXPECT_EQ(ZeroBytes(3), Bytes(3, '\0'));
  EXPECT_EQ(BlankText(2), "  ");
  EXPECT_EQ(ZeroBytes(0), "");
  EXPECT_EQ(BlankText(-5), "");
}

}  // namespace
