#pragma once

#include <string>
#include <string_view>

// Texts are GBK (code page 936) bytes held in a std::string and used up to
// their first zero byte. Byte strings (bodies, record slots) are std::string
// too but keep every byte, zero bytes included.
using Text = std::string;
using Bytes = std::string;

// The text a byte string stands for: its bytes up to the first zero byte.
Text TextOf(std::string_view bytes);

// True for the first byte of a GBK double-byte character.
inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// 1-based byte position of the first occurrence of `what` in `text` at or after
// byte position `start`, or -1. The search steps over a double-byte character
// as one unit, so a match never starts on a second byte. With `ignoreCase`,
// ASCII letters compare regardless of case; other bytes compare exactly.
// An empty `what` is found at `start` when `start` lies inside the text.
int FindText(std::string_view text, std::string_view what, int start = 1, bool ignoreCase = false);

// Whether `what` lies in `text` at byte offset `at` (room for it is known).
// With `ignoreCase` only ASCII letters fold; both bytes of a double-byte
// character compare exactly (B0 61 and B0 41 are two different characters).
bool SameTextAt(std::string_view text, size_t at, std::string_view what, bool ignoreCase);

inline bool ContainsText(std::string_view text, std::string_view what, bool ignoreCase = false) {
  return FindText(text, what, 1, ignoreCase) != -1;
}

// Removes ASCII spaces and the full-width space (A1 A1) from both ends.
Text TrimBlanks(std::string_view text);

// ASCII letters lower-cased; double-byte characters left whole.
Text AsciiLower(std::string_view text);

// "真" or "假" in GBK.
const Text& BoolText(bool value);

// Conversions through ICU's windows-936-2000 table (Microsoft's GBK). A
// character GBK cannot hold becomes "?"; a malformed GBK byte becomes U+FFFD.
Text GbkFromUtf8(std::string_view utf8);
std::string Utf8FromGbk(std::string_view gbk);
std::u16string Utf16FromGbk(std::string_view gbk);
Text GbkFromUtf16(std::u16string_view utf16);

// Decimal text of an integer.
Text DecimalText(long long value);
