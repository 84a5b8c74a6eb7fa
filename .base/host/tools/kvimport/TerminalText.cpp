#include "TerminalText.h"

#include "utils/Utf8Conversion.h"

namespace kvimport {

namespace {

constexpr char kReplacement = '?';

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

bool IsControl(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return (lead < 0x20 && lead != '\t' && lead != '\n') || lead == 0x7F;
    // U+0080 to U+009F are encoded as C2 80 to C2 9F.
    return lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

}  // namespace

std::string PrintableText(std::string_view utf8) {
    std::string printable;
    printable.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[0]));
        if (length == 0 || length > utf8.size() || !IsValidSequence(utf8.substr(0, length))) {
            printable += kReplacement;
            utf8.remove_prefix(1);
            continue;
        }
        const std::string_view sequence = utf8.substr(0, length);
        if (IsControl(sequence)) {
            printable += kReplacement;
        } else {
            printable += sequence;
        }
        utf8.remove_prefix(length);
    }
    return printable;
}

}  // namespace kvimport
