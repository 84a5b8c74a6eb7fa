#include "Format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hollin::utils {

const Utf16String* FormatArgument::Text() const {
    const auto* text = std::get_if<const Utf16String*>(&value_);
    return text != nullptr ? *text : nullptr;
}

const std::int32_t* FormatArgument::Integer() const { return std::get_if<std::int32_t>(&value_); }

Utf16String RewritePositionalMarkers(const Utf16String& format) {
    enum class State { Normal, AfterPercent, AfterIndex, InsideType };
    const std::u16string& in = format.Units();
    std::u16string out;
    out.reserve(in.size() + 8);
    State state = State::Normal;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char16_t unit = in[i];
        switch (state) {
            case State::Normal:
                out.push_back(unit);
                if (unit == u'%') state = State::AfterPercent;
                break;
            case State::AfterPercent:
                out.push_back(unit);
                state = (unit >= u'1' && unit <= u'9') ? State::AfterIndex : State::Normal;
                break;
            case State::AfterIndex:
                if (unit == u'!') {
                    out.push_back(u'$');
                    state = State::InsideType;
                } else if (unit == u' ') {
                    out.append(u"$s ");
                    state = State::Normal;
                } else if (unit == u'.') {
                    const bool digitFollows = i + 1 < in.size() && in[i + 1] >= u'0' && in[i + 1] <= u'9';
                    if (!digitFollows) out.append(u"$s");
                    out.push_back(u'.');
                    state = State::Normal;
                } else {
                    out.push_back(unit);
                    state = State::Normal;
                }
                break;
            case State::InsideType:
                if (unit == u'!') {
                    state = State::Normal;
                } else {
                    out.push_back(unit);
                }
                break;
        }
    }
    if (state == State::AfterIndex) out.append(u"$s");
    return Utf16String(std::move(out));
}

namespace {

// Largest width, precision or argument number accepted (printf's int range).
constexpr std::uint64_t kMaximumNumber = 0x7FFFFFFF;

struct Conversion {
    std::size_t literalStart = 0;  // literal text before the conversion
    std::size_t literalLength = 0;
    char16_t kind = 0;             // 's', 'd' (also for 'i'), or 0 for the trailing literal
    const FormatArgument* argument = nullptr;
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool zeroPad = false;
    std::size_t width = 0;
    std::optional<std::size_t> precision;
};

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// Reads a decimal number; false when it overflows the accepted range.
bool ReadNumber(const std::u16string& text, std::size_t& index, std::size_t& value) {
    std::uint64_t number = 0;
    while (index < text.size() && IsDigit(text[index])) {
        number = number * 10 + static_cast<std::uint64_t>(text[index] - u'0');
        if (number > kMaximumNumber) return false;
        ++index;
    }
    value = static_cast<std::size_t>(number);
    return true;
}

// Splits the format into literal runs and checked conversions. Literal runs
// may contain "%%", which the writer turns into a single "%".
bool Parse(const std::u16string& format, std::span<const FormatArgument> arguments,
           std::vector<Conversion>& conversions) {
    enum class Style { Unknown, Plain, Positional };
    Style style = Style::Unknown;
    std::size_t nextPlain = 0;
    std::size_t literalStart = 0;
    std::size_t index = 0;
    while (index < format.size()) {
        if (format[index] != u'%') {
            ++index;
            continue;
        }
        if (index + 1 < format.size() && format[index + 1] == u'%') {
            index += 2;  // stays part of the literal run
            continue;
        }
        Conversion conversion;
        conversion.literalStart = literalStart;
        conversion.literalLength = index - literalStart;
        ++index;

        // An argument number: digits followed by '$'.
        std::size_t position = 0;
        std::size_t scan = index;
        if (scan < format.size() && IsDigit(format[scan]) && format[scan] != u'0') {
            std::size_t number = 0;
            if (!ReadNumber(format, scan, number)) return false;
            if (scan < format.size() && format[scan] == u'$') {
                position = number;
                index = scan + 1;
            }
        }
        const Style thisStyle = position != 0 ? Style::Positional : Style::Plain;
        if (style != Style::Unknown && style != thisStyle) return false;
        style = thisStyle;

        for (; index < format.size(); ++index) {
            const char16_t flag = format[index];
            if (flag == u'-') {
                conversion.leftAlign = true;
            } else if (flag == u'+') {
                conversion.plusSign = true;
            } else if (flag == u' ') {
                conversion.spaceSign = true;
            } else if (flag == u'0') {
                conversion.zeroPad = true;
            } else if (flag != u'#') {
                break;
            }
        }
        if (!ReadNumber(format, index, conversion.width)) return false;
        if (index < format.size() && format[index] == u'.') {
            ++index;
            std::size_t precision = 0;
            if (!ReadNumber(format, index, precision)) return false;
            conversion.precision = precision;
        }
        if (index >= format.size()) return false;
        const char16_t kind = format[index++];
        if (kind != u's' && kind != u'd' && kind != u'i') return false;
        conversion.kind = kind == u's' ? u's' : u'd';

        const std::size_t argumentIndex = position != 0 ? position - 1 : nextPlain++;
        if (argumentIndex >= arguments.size()) return false;
        conversion.argument = &arguments[argumentIndex];
        const bool typeMatches =
            conversion.kind == u's' ? conversion.argument->Text() != nullptr : conversion.argument->Integer() != nullptr;
        if (!typeMatches) return false;

        conversions.push_back(conversion);
        literalStart = index;
    }
    Conversion tail;
    tail.literalStart = literalStart;
    tail.literalLength = format.size() - literalStart;
    conversions.push_back(tail);
    return true;
}

// Writes (or, with a null output, only measures) the formatted text.
class Writer {
public:
    explicit Writer(char16_t* out) : out_(out) {}

    std::size_t Count() const { return count_; }

    void Put(char16_t unit) {
        if (out_ != nullptr) out_[count_] = unit;
        ++count_;
    }
    void Repeat(char16_t unit, std::size_t times) {
        for (std::size_t i = 0; i < times; ++i) Put(unit);
    }
    void Literal(const std::u16string& format, std::size_t start, std::size_t length) {
        const std::size_t end = start + length;
        for (std::size_t i = start; i < end; ++i) {
            Put(format[i]);
            if (format[i] == u'%') ++i;  // "%%" inside a literal run
        }
    }
    void Field(const Conversion& conversion, const char16_t* body, std::size_t bodyLength, const char16_t* prefix,
               std::size_t prefixLength, bool zeroPadding) {
        const std::size_t length = prefixLength + bodyLength;
        const std::size_t padding = conversion.width > length ? conversion.width - length : 0;
        if (!conversion.leftAlign && !zeroPadding) Repeat(u' ', padding);
        for (std::size_t i = 0; i < prefixLength; ++i) Put(prefix[i]);
        if (!conversion.leftAlign && zeroPadding) Repeat(u'0', padding);
        for (std::size_t i = 0; i < bodyLength; ++i) Put(body[i]);
        if (conversion.leftAlign) Repeat(u' ', padding);
    }

private:
    char16_t* out_;
    std::size_t count_ = 0;
};

void WriteText(Writer& writer, const Conversion& conversion) {
    const std::u16string& text = conversion.argument->Text()->Units();
    std::size_t length = text.size();
    if (conversion.precision && *conversion.precision < length) length = *conversion.precision;
    // Like the wide printf of the original platform, '0' pads texts with zeros.
    writer.Field(conversion, text.data(), length, nullptr, 0, conversion.zeroPad);
}

void WriteInteger(Writer& writer, const Conversion& conversion) {
    const std::int64_t value = *conversion.argument->Integer();
    std::uint64_t magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);

    char16_t digits[16];
    std::size_t digitCount = 0;
    while (magnitude != 0) {
        digits[digitCount++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    }
    const std::size_t minimumDigits = conversion.precision ? *conversion.precision : 1;

    char16_t sign = 0;
    if (value < 0) {
        sign = u'-';
    } else if (conversion.plusSign) {
        sign = u'+';
    } else if (conversion.spaceSign) {
        sign = u' ';
    }
    std::u16string body;
    if (minimumDigits > digitCount) body.assign(minimumDigits - digitCount, u'0');
    for (std::size_t i = digitCount; i > 0; --i) body.push_back(digits[i - 1]);
    const bool zeroPadding = conversion.zeroPad && !conversion.precision;
    writer.Field(conversion, body.data(), body.size(), &sign, sign != 0 ? 1 : 0, zeroPadding);
}

void Write(Writer& writer, const std::u16string& format, const std::vector<Conversion>& conversions) {
    for (const Conversion& conversion : conversions) {
        writer.Literal(format, conversion.literalStart, conversion.literalLength);
        if (conversion.kind == u's') {
            WriteText(writer, conversion);
        } else if (conversion.kind == u'd') {
            WriteInteger(writer, conversion);
        }
    }
}

}  // namespace

void FormatWithArguments(Utf16String& target, const Utf16String& format, std::span<const FormatArgument> arguments) {
    if (format.IsEmpty()) return;
    const Utf16String rewritten = RewritePositionalMarkers(format);
    const std::u16string& units = rewritten.Units();

    std::vector<Conversion> conversions;
    if (!Parse(units, arguments, conversions)) {
        target.Clear();
        return;
    }
    Writer measure(nullptr);
    Write(measure, units, conversions);
    std::u16string result(measure.Count(), u'\0');
    Writer writer(result.data());
    Write(writer, units, conversions);
    // Assigned last: an argument may be the target itself.
    target = Utf16String(std::move(result));
}

}  // namespace hollin::utils
