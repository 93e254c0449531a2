#include "http/response_decoding.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <memory>
#include <mutex>
#include <string>

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A fresh converter per call: ICU converters keep state and conversions run
// on whichever thread asked.
Converter OpenCodePage(int codePage) {
  const char* name = nullptr;
  std::string other;
  switch (codePage) {
    case 0:
    case 936:
      name = "windows-936-2000";
      break;
    case 950:
      name = "windows-950-2000";
      break;
    case 65001:
      name = "UTF-8";
      break;
    default:
      other = "windows-" + std::to_string(codePage);
      name = other.c_str();
      break;
  }
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  return converter;
}

std::u16string ToUtf16(const Text& text, int codePage) {
  Text source = TextOf(text);
  if (source.empty()) return {};
  Converter converter = OpenCodePage(codePage);
  if (!converter) return {};
  // At most one unit per byte, or two for a four-byte UTF-8 sequence.
  std::u16string out(source.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()), source.data(),
                            static_cast<int32_t>(source.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

Text FromUtf16(std::u16string_view units, int codePage) {
  if (units.empty()) return {};
  Converter converter = OpenCodePage(codePage);
  if (!converter) return {};
  Text out(units.size() * 4 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()), units.data(),
                              static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(n));
  return TextOf(out);
}

std::mutex simplifierMutex;

// Made once; a transliterator is not safe for concurrent use, so calls share
// it under a lock.
icu::Transliterator* Simplifier() {
  static icu::Transliterator* simplifier = [] {
    UErrorCode status = U_ZERO_ERROR;
    icu::Transliterator* t =
        icu::Transliterator::createInstance(icu::UnicodeString("Traditional-Simplified"), UTRANS_FORWARD, status);
    if (U_FAILURE(status)) {
      delete t;
      return static_cast<icu::Transliterator*>(nullptr);
    }
    return t;
  }();
  return simplifier;
}

}  // namespace

Text Utf8ToGbk(const Text& text) {
  return Utf16ToMultiByte(MultiByteToUtf16(text), 936);
}

Text Big5ToSimplifiedGbk(const Text& text) {
  return SimplifyChinese(Big5ToGbk(text));
}

Bytes MultiByteToUtf16(const Text& text, std::optional<int> codePage) {
  std::u16string units = ToUtf16(text, codePage.value_or(65001));
  Bytes buffer;
  buffer.reserve((units.size() + 1) * 2);
  for (char16_t unit : units) {
    buffer.push_back(static_cast<char>(unit & 0xFF));
    buffer.push_back(static_cast<char>(unit >> 8));
  }
  buffer.append(2, '\0');
  return buffer;
}

Text Utf16ToMultiByte(const Bytes& buffer, std::optional<int> codePage) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
    auto unit =
        static_cast<char16_t>(static_cast<unsigned char>(buffer[i]) | (static_cast<unsigned char>(buffer[i + 1]) << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return FromUtf16(units, codePage.value_or(0));
}

Text Big5ToGbk(const Text& text) {
  return FromUtf16(ToUtf16(text, 950), 936);
}

Text SimplifyChinese(const Text& text) {
  Text source = TextOf(text);
  if (source.empty()) return {};
  std::u16string units = ToUtf16(source, 936);
  icu::UnicodeString chars(units.data(), static_cast<int32_t>(units.size()));
  {
    std::lock_guard lock(simplifierMutex);
    icu::Transliterator* simplifier = Simplifier();
    if (simplifier == nullptr) return source;
    simplifier->transliterate(chars);
  }
  std::u16string simplified(chars.getBuffer(), static_cast<std::size_t>(chars.length()));
  return FromUtf16(simplified, 936);
}

Bytes ZeroBytes(long long n) {
  return n > 0 ? Bytes(static_cast<std::size_t>(n), '\0') : Bytes();
}

Text BlankText(long long n) {
  return n > 0 ? Text(static_cast<std::size_t>(n), ' ') : Text();
}
