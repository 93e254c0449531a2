#pragma once

#include <optional>

#include "text/gbk_text.h"

// Applies up to five literal find-and-replace pairs in order; each pair works
// on the result of the one before, so a later pair also sees what an earlier
// one put in. An absent or empty find text changes nothing; an absent
// replacement removes its find text.
//
// Each pass starts at byte position `start` (counted from 1; absent, 0 or less
// mean 1) and copies the bytes before it unchanged. From there it steps through
// the text one character at a time, a byte of 0x80 or above taking the byte
// after it along, so a find text never matches from the second byte of a
// double-byte character; replacements are not looked at again. `count` is the
// most replacements each pair makes: absent or negative means no limit, 0
// means none. Unless `caseSensitive` is given as true, ASCII letters match
// either case; the second byte of a double-byte character always compares
// exactly, since it is not a letter even when its value is one.
Text ReplaceBatch(const Text& text, std::optional<int> count, std::optional<int> start,
                  std::optional<bool> caseSensitive, const Text& find1, const Text& with1,
                  const std::optional<Text>& find2 = std::nullopt, const std::optional<Text>& with2 = std::nullopt,
                  const std::optional<Text>& find3 = std::nullopt, const std::optional<Text>& with3 = std::nullopt,
                  const std::optional<Text>& find4 = std::nullopt, const std::optional<Text>& with4 = std::nullopt,
                  const std::optional<Text>& find5 = std::nullopt, const std::optional<Text>& with5 = std::nullopt);
