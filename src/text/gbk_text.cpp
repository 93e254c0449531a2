#include "text/gbk_text.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <stdexcept>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// ICU converters keep state and are not thread-safe: one per thread.
UConverter* GbkConverter() {
  thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> c(ucnv_open("windows-936-2000", &status));
    if (U_FAILURE(status) || !c) throw std::runtime_error("ICU has no windows-936-2000 converter");
    ucnv_setSubstChars(c.get(), "?", 1, &status);
    return c;
  }();
  ucnv_reset(converter.get());
  return converter.get();
}

}  // namespace

bool SameTextAt(std::string_view text, size_t at, std::string_view what, bool ignoreCase) {
  if (!ignoreCase) return text.compare(at, what.size(), what) == 0;
  for (size_t k = 0; k < what.size(); ++k) {
    if (IsLeadByte(what[k]) && k + 1 < what.size()) {
      if (text[at + k] != what[k] || text[at + k + 1] != what[k + 1]) return false;
      ++k;
    } else if (LowerAscii(text[at + k]) != LowerAscii(what[k])) {
      return false;
    }
  }
  return true;
}

Text TextOf(std::string_view bytes) {
  size_t zero = bytes.find('\0');
  return Text(zero == std::string_view::npos ? bytes : bytes.substr(0, zero));
}

int FindText(std::string_view text, std::string_view what, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  size_t at = static_cast<size_t>(start - 1);
  if (at >= text.size()) return -1;
  if (!ignoreCase && !what.empty()) {
    // Let the library find each candidate; then walk the characters up to it
    // to see that it starts on a character, not on a second byte.
    size_t candidate = text.find(what, at);
    while (candidate != std::string_view::npos) {
      while (at < candidate) at += IsLeadByte(text[at]) ? 2 : 1;
      if (at == candidate) return static_cast<int>(at + 1);
      candidate = text.find(what, candidate + 1);
    }
    return -1;
  }
  while (at + what.size() <= text.size()) {
    if (SameTextAt(text, at, what, ignoreCase)) return static_cast<int>(at + 1);
    at += IsLeadByte(text[at]) ? 2 : 1;
  }
  return -1;
}

Text TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end) {
    if (text[begin] == ' ') {
      ++begin;
    } else if (end - begin >= 2 && text.compare(begin, 2, "\xA1\xA1") == 0) {
      begin += 2;
    } else {
      break;
    }
  }
  while (end > begin) {
    if (text[end - 1] == ' ') {
      --end;
    } else if (end - begin >= 2 && text.compare(end - 2, 2, "\xA1\xA1") == 0) {
      end -= 2;
    } else {
      break;
    }
  }
  return Text(text.substr(begin, end - begin));
}

Text AsciiLower(std::string_view text) {
  Text out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(out[i])) {
      ++i;
    } else {
      out[i] = LowerAscii(out[i]);
    }
  }
  return out;
}

const Text& BoolText(bool value) {
  static const Text yes = GbkFromUtf8("真");
  static const Text no = GbkFromUtf8("假");
  return value ? yes : no;
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  if (gbk.empty()) return {};
  UConverter* c = GbkConverter();
  std::u16string out(gbk.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(c, out.data(), static_cast<int32_t>(out.size()), gbk.data(),
                            static_cast<int32_t>(gbk.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

Text GbkFromUtf16(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  UConverter* c = GbkConverter();
  Text out(utf16.size() * 2 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), utf16.data(),
                              static_cast<int32_t>(utf16.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

namespace {

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out(utf8.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out(utf16.size() * 3 + 1, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf16.data(),
                     static_cast<int32_t>(utf16.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace

Text GbkFromUtf8(std::string_view utf8) { return GbkFromUtf16(Utf16FromUtf8(utf8)); }

std::string Utf8FromGbk(std::string_view gbk) { return Utf8FromUtf16(Utf16FromGbk(gbk)); }

Text DecimalText(long long value) { return std::to_string(value); }
