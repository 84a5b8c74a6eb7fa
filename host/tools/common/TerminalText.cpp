#include "TerminalText.h"

#include <cstdint>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "utils/Utf8Conversion.h"

namespace kvhost {

namespace {

// The length of the UTF-8 sequence starting with `lead`, or 0 when no
// sequence starts with it.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

bool IsValidSequence(std::string_view sequence) {
    return hollin::utils::Utf16LengthOf(sequence.data(), sequence.size(), hollin::utils::ConversionMode::Strict) > 0;
}

// The code point of a valid sequence.
char32_t CodePointOf(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return lead;
    char32_t point = lead & (0x7F >> sequence.size());
    for (std::size_t at = 1; at < sequence.size(); ++at) point = (point << 6) | (static_cast<unsigned char>(sequence[at]) & 0x3F);
    return point;
}

bool MustBeEscaped(char32_t point) {
    if (point == '\t' || point == '\n') return false;
    return point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x061C || point == 0x200E || point == 0x200F ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

std::string Escaped(const char* format, std::uint32_t value) {
    char text[16];  // the longest escape of any 32-bit value, "\\uFFFFFFFF", and its end
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string PrintableText(std::string_view utf8) {
    std::string printable;
    printable.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[0]));
        if (length == 0 || length > utf8.size() || !IsValidSequence(utf8.substr(0, length))) {
            printable += Escaped("\\x%02X", static_cast<unsigned char>(utf8[0]));
            utf8.remove_prefix(1);
            continue;
        }
        const std::string_view sequence = utf8.substr(0, length);
        const char32_t point = CodePointOf(sequence);
        if (MustBeEscaped(point)) {
            printable += Escaped("\\u%04X", point);
        } else {
            printable += sequence;
        }
        utf8.remove_prefix(length);
    }
    return printable;
}

std::string PrintableJson(const nlohmann::json& document, int indent) {
    // Inside strings the writer has escaped tab, line feed and the rest of C0
    // already; outside them there are none of these characters.
    return PrintableText(document.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace kvhost
