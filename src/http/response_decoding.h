#pragma once

#include <optional>

#include "text/gbk_text.h"

// Conversions of response bodies into GBK text, through ICU's Microsoft
// tables. Code pages: 65001 UTF-8, 950 Big5 (windows-950-2000), 936 GBK
// (windows-936-2000), 0 the program's ANSI code page, which is GBK. Every
// routine takes its input text up to the first zero byte and never fails
// loudly: a conversion that cannot be made gives an empty text.

// UTF-8 to GBK; a character GBK cannot hold becomes "?".
Text Utf8ToGbk(const Text& text);
// Big5 to GBK with traditional characters mapped to their simplified forms.
Text Big5ToSimplifiedGbk(const Text& text);

// The text as a UTF-16 buffer: little-endian units, the terminating zero unit
// included (so its length is twice the number of units). Code page 65001
// when absent.
Bytes MultiByteToUtf16(const Text& text, std::optional<int> codePage = std::nullopt);
// A UTF-16 buffer (read up to its first zero unit) as text in the code page,
// 0 when absent. A character the code page cannot hold becomes "?".
Text Utf16ToMultiByte(const Bytes& buffer, std::optional<int> codePage = std::nullopt);

// Big5 to GBK, characters unchanged. A character GBK cannot hold becomes "?"
// and the text goes on after it.
Text Big5ToGbk(const Text& text);
// Traditional characters of a GBK text replaced by their simplified forms
// (ICU's "Traditional-Simplified" transliterator). The result may be longer
// or shorter than the input and is never cut. If the transliterator is not
// available the text comes back unchanged.
Text SimplifyChinese(const Text& text);

// n zero bytes, n spaces; empty for n <= 0.
Bytes ZeroBytes(long long n);
Text BlankText(long long n);
