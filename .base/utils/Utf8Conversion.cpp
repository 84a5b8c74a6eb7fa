#include "Utf8Conversion.h"

namespace hollin::utils {
namespace {

// Trailing bytes after a lead byte, by the lead byte's value.
int TrailingBytesOf(unsigned char lead) {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

constexpr char32_t kOffsets[] = {0x00000000, 0x00003080, 0x000E2080, 0x03C82080};

// Checks one sequence of `length` bytes (lead byte included), from its last
// byte backwards. Encoded surrogates (lead 0xED) are legal.
bool IsLegalSequence(const unsigned char* sequence, int length) {
    unsigned char a = 0;
    const unsigned char lead = sequence[0];
    switch (length) {
        case 4:
            a = sequence[3];
            if (a < 0x80 || a > 0xBF) return false;
            [[fallthrough]];
        case 3:
            a = sequence[2];
            if (a < 0x80 || a > 0xBF) return false;
            [[fallthrough]];
        case 2:
            a = sequence[1];
            if (a > 0xBF) return false;
            switch (lead) {
                case 0xE0:
                    if (a < 0xA0) return false;
                    break;
                case 0xF0:
                    if (a < 0x90) return false;
                    break;
                case 0xF4:
                    if (a > 0x8F) return false;
                    break;
                default:
                    if (a < 0x80) return false;
            }
            [[fallthrough]];
        case 1:
            if (lead >= 0x80 && lead < 0xC2) return false;
            break;
        default:
            return false;
    }
    return lead <= 0xF4;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Walks the UTF-8 input; `emit` receives every decoded code point (or, above
// U+10FFFF in lenient mode, U+FFFD). Returns the number of UTF-16 units or an error.
template <typename Emit>
std::int64_t WalkUtf8(const char* utf8, std::size_t byteCount, ConversionMode mode, Emit emit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8);
    std::int64_t units = 0;
    std::size_t index = 0;
    while (index < byteCount) {
        const int trailing = TrailingBytesOf(bytes[index]);
        if (static_cast<std::size_t>(trailing) >= byteCount - index) return kTruncatedInput;
        if (!IsLegalSequence(bytes + index, trailing + 1)) return kIllegalInput;
        char32_t codePoint = 0;
        for (int i = 0; i <= trailing; ++i) {
            codePoint = (codePoint << 6) + bytes[index + i];
        }
        codePoint -= kOffsets[trailing];
        index += static_cast<std::size_t>(trailing) + 1;
        if (codePoint <= 0xFFFF) {
            if (mode == ConversionMode::Strict && IsSurrogate(codePoint)) return kIllegalInput;
            emit(codePoint);
            units += 1;
        } else if (codePoint <= 0x10FFFF) {
            emit(codePoint);
            units += 2;
        } else {
            if (mode == ConversionMode::Strict) return kIllegalInput;
            emit(U'\uFFFD');
            units += 1;
        }
    }
    return units;
}

// Walks UTF-16 units, pairing surrogates; `emit` receives each code point
// (lone surrogates as themselves). Returns the UTF-8 byte count or an error.
template <typename Emit>
std::int64_t WalkUtf16(const char16_t* units, std::size_t unitCount, ConversionMode mode, Emit emit) {
    std::int64_t bytes = 0;
    for (std::size_t index = 0; index < unitCount; ++index) {
        char32_t codePoint = units[index];
        if (IsHighSurrogate(codePoint) && index + 1 < unitCount && IsLowSurrogate(units[index + 1])) {
            codePoint = ((codePoint - 0xD800) << 10) + (units[index + 1] - 0xDC00) + 0x10000;
            ++index;
        } else if (IsSurrogate(codePoint) && mode == ConversionMode::Strict) {
            return kIllegalInput;
        }
        if (codePoint < 0x80) {
            bytes += 1;
        } else if (codePoint < 0x800) {
            bytes += 2;
        } else if (codePoint < 0x10000) {
            bytes += 3;
        } else {
            bytes += 4;
        }
        emit(codePoint);
    }
    return bytes;
}

// Windows-1252 where it differs from Latin-1. The five bytes it leaves
// undefined stand for the C1 control characters, as Windows itself decodes them.
constexpr char16_t kWindows1252From0x80[32] = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178'};

}  // namespace

std::int64_t Utf16LengthOf(const char* utf8, std::size_t byteCount, ConversionMode mode) {
    if (utf8 == nullptr) return 0;
    return WalkUtf8(utf8, byteCount, mode, [](char32_t) {});
}

std::int64_t Utf8LengthOf(const char16_t* units, std::size_t unitCount, ConversionMode mode) {
    if (units == nullptr) return 0;
    return WalkUtf16(units, unitCount, mode, [](char32_t) {});
}

std::u16string DecodeUtf8(const char* utf8, std::size_t byteCount, ConversionMode mode) {
    const std::int64_t length = Utf16LengthOf(utf8, byteCount, mode);
    if (length <= 0) return {};
    std::u16string result(static_cast<std::size_t>(length), u'\0');
    char16_t* out = result.data();
    WalkUtf8(utf8, byteCount, mode, [&out](char32_t codePoint) {
        if (codePoint <= 0xFFFF) {
            *out++ = static_cast<char16_t>(codePoint);
        } else {
            *out++ = static_cast<char16_t>(((codePoint - 0x10000) >> 10) + 0xD800);
            *out++ = static_cast<char16_t>((codePoint & 0x3FF) + 0xDC00);
        }
    });
    return result;
}

std::string EncodeUtf8(const char16_t* units, std::size_t unitCount, ConversionMode mode) {
    const std::int64_t length = Utf8LengthOf(units, unitCount, mode);
    if (length <= 0) return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    char* out = result.data();
    WalkUtf16(units, unitCount, mode, [&out](char32_t codePoint) {
        auto put = [&out](char32_t byte) { *out++ = static_cast<char>(static_cast<unsigned char>(byte)); };
        if (codePoint < 0x80) {
            put(codePoint);
        } else if (codePoint < 0x800) {
            put(0xC0 | (codePoint >> 6));
            put(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            put(0xE0 | (codePoint >> 12));
            put(0x80 | ((codePoint >> 6) & 0x3F));
            put(0x80 | (codePoint & 0x3F));
        } else {
            put(0xF0 | (codePoint >> 18));
            put(0x80 | ((codePoint >> 12) & 0x3F));
            put(0x80 | ((codePoint >> 6) & 0x3F));
            put(0x80 | (codePoint & 0x3F));
        }
    });
    return result;
}

std::string Utf8FromUtf8OrWindows1252(std::string_view bytes) {
    if (Utf16LengthOf(bytes.data(), bytes.size(), ConversionMode::Strict) >= 0) return std::string(bytes);
    std::u16string units;
    units.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        units.push_back(value >= 0x80 && value < 0xA0 ? kWindows1252From0x80[value - 0x80] : char16_t{value});
    }
    return EncodeUtf8(units.data(), units.size(), ConversionMode::Strict);
}

}  // namespace hollin::utils
