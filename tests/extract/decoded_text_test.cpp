#include "extract/decoded_text.h"

#include <gtest/gtest.h>

#include <random>

#include "text/gbk_text.h"

namespace {

// The decoder must agree with the ICU conversion unit for unit, and its byte
// map must point every unit at the bytes that decode to exactly that unit.
void ExpectSameAsIcu(const std::string& bytes) {
  const DecodedText decoded(bytes);
  const std::u16string expected = Utf16FromGbk(bytes);
  ASSERT_EQ(decoded.Units(), expected) << "bytes " << testing::PrintToString(bytes);
  ASSERT_EQ(decoded.ByteOffset(expected.size()), bytes.size());
  for (size_t k = 0; k < expected.size(); ++k) {
    const size_t begin = decoded.ByteOffset(k);
    const size_t end = decoded.ByteOffset(k + 1);
    ASSERT_LT(begin, end);
    ASSERT_LE(end - begin, 2u);
    ASSERT_EQ(Utf16FromGbk(bytes.substr(begin, end - begin)), std::u16string(1, expected[k]))
        << "unit " << k << " of " << testing::PrintToString(bytes);
  }
}

TEST(DecodedText, AgreesWithIcuOnEveryOneAndTwoByteText) {
  for (int a = 1; a < 256; ++a) {
    ExpectSameAsIcu(std::string(1, static_cast<char>(a)));
    for (int b = 1; b < 256; ++b) {
      ExpectSameAsIcu({static_cast<char>(a), static_cast<char>(b)});
      if (HasFatalFailure()) return;
    }
  }
}

TEST(DecodedText, AgreesWithIcuAroundMalformedSequences) {
  // Lead bytes, the edges of the second-byte range, bytes that are never a
  // second byte (below 0x40, 0x7F, 0xFF) and the single-byte oddities 0x80 and 0xFF.
  const unsigned char interesting[] = {0x0A, 0x0D, 0x30, 0x3F, 0x40, 0x41, 0x5B, 0x5C, 0x7E,
                                       0x7F, 0x80, 0x81, 0xA1, 0xA2, 0xD6, 0xFE, 0xFF};
  for (unsigned char a : interesting) {
    for (unsigned char b : interesting) {
      for (unsigned char c : interesting) {
        ExpectSameAsIcu({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        if (HasFatalFailure()) return;
      }
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(1 + random() % 300, '\0');
    for (char& byte : bytes) {
      // Mostly ASCII with runs of high bytes, as pages are, so the eight-byte path is crossed often.
      byte = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 128 : 1 + random() % 127);
    }
    ExpectSameAsIcu(bytes);
    if (HasFatalFailure()) return;
  }
}

TEST(DecodedText, ByteOffsetsAcrossManyWordsOfTheMap) {
  // More than 64 units on both sides of double-byte characters checks the per-word counts.
  std::string bytes = std::string(70, 'a') + GbkFromUtf8("中文") + std::string(130, 'b') + GbkFromUtf8("字");
  const DecodedText decoded(bytes);
  ASSERT_EQ(decoded.Units().size(), 70u + 2 + 130 + 1);
  EXPECT_EQ(decoded.ByteOffset(70), 70u);
  EXPECT_EQ(decoded.ByteOffset(71), 72u);
  EXPECT_EQ(decoded.ByteOffset(72), 74u);
  EXPECT_EQ(decoded.ByteOffset(202), 204u);
  EXPECT_EQ(decoded.ByteOffset(203), bytes.size());
  EXPECT_EQ(DecodedText().ByteOffset(0), 0u);
}

}  // namespace
