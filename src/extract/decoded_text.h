#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A GBK text decoded to UTF-16 exactly as Utf16FromGbk decodes it, remembering
// which bytes each UTF-16 unit came from, so that a match found in the UTF-16
// text can be cut out of the original bytes instead of being encoded back.
// Cutting keeps bytes that do not survive a round trip (a malformed lead byte
// decodes to U+FFFD, which would come back as "?") exactly as they were.
//
// Every unit comes from one byte (ASCII, 0x80, 0xFF, a lead byte without a valid
// second byte) or from two (a double-byte character); GBK has nothing outside
// the Basic Multilingual Plane, so a unit is always a whole character.
class DecodedText {
 public:
  DecodedText() : DecodedText(std::string_view()) {}
  explicit DecodedText(std::string_view gbk);

  const std::u16string& Units() const { return units; }

  // Byte offset in the GBK text where unit `unit` begins; Units().size() gives
  // the byte length of the text.
  size_t ByteOffset(size_t unit) const;

 private:
  std::u16string units;
  // Bit k % 64 of word k / 64 is set when unit k came from two bytes.
  std::vector<uint64_t> pairMask;
  // Per word of pairMask: how many two-byte units lie before it.
  std::vector<uint32_t> pairsBefore;
};
