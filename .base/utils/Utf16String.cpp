#include "Utf16String.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Utf8Conversion.h"

namespace hollin::utils {

Utf16String::Utf16String(const char* utf8) : Utf16String(FromUtf8(utf8)) {}

Utf16String::Utf16String(const char* utf8, std::size_t byteCount) : Utf16String(FromUtf8(utf8, byteCount)) {}

Utf16String::Utf16String(const Unit* units) {
    if (units != nullptr) units_ = units;
}

Utf16String::Utf16String(std::u16string units) : units_(std::move(units)) {}

Utf16String Utf16String::FromUtf8(const char* utf8) {
    if (utf8 == nullptr) return {};
    return FromUtf8(utf8, std::strlen(utf8));
}

Utf16String Utf16String::FromUtf8(const char* utf8, std::size_t byteCount) {
    if (utf8 == nullptr || byteCount == 0) return {};
    return Utf16String(DecodeUtf8(utf8, byteCount, ConversionMode::Lenient));
}

Utf16String Utf16String::FromUtf8(std::string_view utf8) { return FromUtf8(utf8.data(), utf8.size()); }

Utf16String Utf16String::FromLocale(const char* text) {
    if (text == nullptr || *text == '\0') return {};
    const std::size_t count = std::mbstowcs(nullptr, text, 0);
    if (count == static_cast<std::size_t>(-1)) return {};
    std::vector<wchar_t> wide(count + 1, L'\0');
    if (std::mbstowcs(wide.data(), text, count + 1) != count) return {};

    std::u16string units;
    units.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto codePoint = static_cast<std::uint32_t>(wide[i]);
        if (codePoint <= 0xFFFF) {
            units.push_back(static_cast<char16_t>(codePoint));
        } else if (codePoint <= 0x10FFFF) {
            units.push_back(static_cast<char16_t>(((codePoint - 0x10000) >> 10) + 0xD800));
            units.push_back(static_cast<char16_t>((codePoint & 0x3FF) + 0xDC00));
        } else {
            units.push_back(u'\uFFFD');
        }
    }
    return Utf16String(std::move(units));
}

Utf16String& Utf16String::operator=(const char* utf8) {
    *this = FromUtf8(utf8);
    return *this;
}

std::string Utf16String::ToUtf8() const {
    if (units_.empty()) return {};
    return EncodeUtf8(units_.data(), units_.size(), ConversionMode::Lenient);
}

Utf16String::Unit Utf16String::At(std::size_t index) const {
    if (index > units_.size()) throw std::out_of_range("invalid string position");
    return units_.c_str()[index];
}

std::int64_t Utf16String::Find(Unit unit, std::int64_t from) const {
    if (from < 0) from = 0;
    const std::size_t found = units_.find(unit, static_cast<std::size_t>(from));
    return found == std::u16string::npos ? npos : static_cast<std::int64_t>(found);
}

std::int64_t Utf16String::Find(const Utf16String& text, std::int64_t from) const {
    if (from < 0) from = 0;
    const std::size_t found = units_.find(text.units_, static_cast<std::size_t>(from));
    return found == std::u16string::npos ? npos : static_cast<std::int64_t>(found);
}

std::int64_t Utf16String::ReverseFind(const Utf16String& text, std::int64_t from) const {
    const std::size_t start = from < 0 ? std::u16string::npos : static_cast<std::size_t>(from);
    const std::size_t found = units_.rfind(text.units_, start);
    return found == std::u16string::npos ? npos : static_cast<std::int64_t>(found);
}

Utf16String Utf16String::Mid(std::int32_t position, std::int32_t count) const {
    const std::size_t length = units_.size();
    const auto start = static_cast<std::size_t>(std::max(position, 0));
    const auto wanted = static_cast<std::size_t>(std::max(count, 0));
    if (start >= length || wanted == 0) return {};
    return Utf16String(units_.substr(start, std::min(wanted, length - start)));
}

Utf16String Utf16String::Left(std::int32_t count) const {
    if (count <= 0) return {};
    if (static_cast<std::size_t>(count) >= units_.size()) return *this;
    return Utf16String(units_.substr(0, static_cast<std::size_t>(count)));
}

Utf16String Utf16String::Right(std::int32_t count) const {
    if (count <= 0) return {};
    if (static_cast<std::size_t>(count) >= units_.size()) return *this;
    return Utf16String(units_.substr(units_.size() - static_cast<std::size_t>(count)));
}

int Utf16String::Compare(const Utf16String& other) const {
    // char16_t is unsigned, so the standard comparison orders by unsigned unit value.
    const int result = units_.compare(other.units_);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool Utf16String::EqualsUtf8(const char* utf8) const {
    return ToUtf8() == std::string_view(utf8 == nullptr ? "" : utf8);
}

Utf16String& Utf16String::Append(const Utf16String& text) {
    units_.append(text.units_);
    return *this;
}

Utf16String& Utf16String::Append(const Unit* units) {
    if (units != nullptr) units_.append(units);
    return *this;
}

Utf16String& Utf16String::Append(Unit unit) {
    units_.push_back(unit);
    return *this;
}

std::int32_t Utf16String::ReplaceAll(const Utf16String& from, const Utf16String& to) {
    if (from.units_ == to.units_ || from.units_.empty()) return 0;
    std::u16string result;
    result.reserve(units_.size());
    std::int32_t count = 0;
    std::size_t index = 0;
    while (index < units_.size()) {
        if (units_.compare(index, from.units_.size(), from.units_) == 0) {
            result.append(to.units_);
            index += from.units_.size();
            ++count;
        } else {
            result.push_back(units_[index]);
            ++index;
        }
    }
    units_ = std::move(result);
    return count;
}

Utf16String operator+(const Utf16String& left, const Utf16String& right) {
    Utf16String result(left);
    result.Append(right);
    return result;
}

Utf16String operator+(const Utf16String& left, const char* rightUtf8) {
    return left + Utf16String::FromUtf8(rightUtf8);
}

Utf16String operator+(const char* leftUtf8, const Utf16String& right) {
    return Utf16String::FromUtf8(leftUtf8) + right;
}

}  // namespace hollin::utils
