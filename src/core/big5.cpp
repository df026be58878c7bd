#include "core/big5.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "core/numbers.h"

namespace zol {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

[[noreturn]] void icu_failed(const char* what, UErrorCode err) {
    throw std::runtime_error(std::string(what) + u_errorName(err));
}

// Every character without a Big5 code becomes "?", also those ICU would drop as ignorable
// (a zero-width space): display_width counts each as one column, so padding stays aligned.
void substitute_every_char(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                           UChar32, UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, err);
}

// One converter per thread: opening one costs far more than converting a character,
// and the report writer measures every cell it pads.
UConverter* big5_converter() {
    thread_local ConverterPtr converter = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-950", &err));
        if (U_FAILURE(err) || !c) icu_failed("無法開啟 Big5 轉碼器: ", err);
        err = U_ZERO_ERROR;
        ucnv_setSubstChars(c.get(), "?", 1, &err);
        ucnv_setFromUCallBack(c.get(), substitute_every_char, nullptr, nullptr, nullptr, &err);
        return c;
    }();
    return converter.get();
}

std::u16string to_utf16(std::string_view utf8) {
    // Never more UTF-16 units than UTF-8 bytes: one pass, no measuring call first.
    std::u16string out(utf8.size(), u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = 0;
    // Invalid UTF-8 becomes U+FFFD, which has no Big5 code and so turns into "?".
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n,
                         utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &err);
    out.resize(U_FAILURE(err) ? 0 : static_cast<std::size_t>(n));
    return out;
}

// Big5 bytes of UTF-16 text, in a buffer as large as ICU says the text can need.
std::string from_utf16(const UChar* text, int32_t length) {
    UConverter* cnv = big5_converter();
    std::string out(
        static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(length, ucnv_getMaxCharSize(cnv))),
        '\0');
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n =
        ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), text, length, &err);
    if (U_FAILURE(err)) icu_failed("Big5 轉碼失敗: ", err);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// Width of one non-ASCII code point (one U8_NEXT gave it, so it is a scalar value): its Big5
// code, one byte or two, read as a 16-bit signed number.
int char_width(UChar32 c) {
    UChar buf[2];
    int32_t len = 0;
    U16_APPEND_UNSAFE(buf, len, c);
    std::uint16_t code = 0;
    for (const char b : from_utf16(buf, len))
        code = static_cast<std::uint16_t>((code << 8) | static_cast<unsigned char>(b));
    const auto value = static_cast<std::int16_t>(code);
    return (value < 0 || value > 128) ? 2 : 1;
}

}  // namespace

std::string to_big5(std::string_view utf8) {
    const std::u16string u = to_utf16(utf8);
    if (u.empty()) return {};
    return from_utf16(reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()));
}

std::string from_big5(std::string_view big5) {
    if (big5.empty()) return {};
    UConverter* cnv = big5_converter();
    std::u16string u(big5.size() + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n =
        ucnv_toUChars(cnv, reinterpret_cast<UChar*>(u.data()), static_cast<int32_t>(u.size()),
                      big5.data(), static_cast<int32_t>(big5.size()), &err);
    if (U_FAILURE(err)) icu_failed("Big5 轉碼失敗: ", err);
    u.resize(static_cast<std::size_t>(n));
    std::string out;
    int32_t needed = 0;
    err = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &needed, reinterpret_cast<const UChar*>(u.data()), n, &err);
    out.resize(static_cast<std::size_t>(needed));
    err = U_ZERO_ERROR;
    u_strToUTF8(out.data(), needed, &needed, reinterpret_cast<const UChar*>(u.data()), n, &err);
    return out;
}

std::int16_t display_width(std::string_view utf8) {
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const int32_t length = static_cast<int32_t>(utf8.size());
    long total = 0;
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        // ASCII maps to itself, and a malformed sequence (c < 0) is written as "?": one column.
        total += c < 0x80 ? 1 : char_width(c);
        if (total > 32767) break;
    }
    return to_int16(static_cast<double>(total));
}

std::string utf8_left(std::string_view utf8, std::size_t n) {
    return utf8_mid(utf8, 1, n);
}

std::string utf8_mid(std::string_view utf8, std::size_t from, std::size_t count) {
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const int32_t length = static_cast<int32_t>(utf8.size());
    if (from < 1) from = 1;
    int32_t i = 0;
    for (std::size_t k = 1; k < from && i < length; ++k) U8_FWD_1(s, i, length);
    const int32_t start = i;
    for (std::size_t k = 0; k < count && i < length; ++k) U8_FWD_1(s, i, length);
    return std::string(
        utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
}

std::size_t utf8_length(std::string_view utf8) {
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const int32_t length = static_cast<int32_t>(utf8.size());
    std::size_t n = 0;
    for (int32_t i = 0; i < length; ++n) U8_FWD_1(s, i, length);
    return n;
}

}  // namespace zol
