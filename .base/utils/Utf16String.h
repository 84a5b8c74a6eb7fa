#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hollin::utils {

// The one text type of the system: a growable sequence of UTF-16 code units
// with value semantics. It may hold any unit values, unpaired surrogates
// included. UTF-8 enters through FromUtf8 (all or nothing) and leaves through
// ToUtf8 (never fails).
class Utf16String {
public:
    using Unit = char16_t;
    static constexpr std::int64_t npos = -1;

    Utf16String() = default;
    // Decodes NUL-terminated UTF-8; a null pointer or malformed input gives the empty text.
    Utf16String(const char* utf8);  // NOLINT(google-explicit-constructor): literals convert like text
    Utf16String(const char* utf8, std::size_t byteCount);
    Utf16String(const Unit* units);  // NOLINT(google-explicit-constructor)
    explicit Utf16String(std::u16string units);

    static Utf16String FromUtf8(const char* utf8);
    static Utf16String FromUtf8(const char* utf8, std::size_t byteCount);
    static Utf16String FromUtf8(std::string_view utf8);
    // Converts a NUL-terminated byte string in the process's current locale (mbstowcs).
    static Utf16String FromLocale(const char* text);

    Utf16String& operator=(const char* utf8);

    std::string ToUtf8() const;

    bool IsEmpty() const { return units_.empty(); }
    std::size_t Length() const { return units_.size(); }
    const Unit* CStr() const { return units_.c_str(); }
    const std::u16string& Units() const { return units_; }
    // The unit at index; index == Length() yields the terminating NUL.
    // Throws std::out_of_range("invalid string position") beyond that.
    Unit At(std::size_t index) const;
    Unit operator[](std::size_t index) const { return units_.c_str()[index]; }

    std::int64_t Find(Unit unit, std::int64_t from = 0) const;
    std::int64_t Find(const Utf16String& text, std::int64_t from = 0) const;
    // Last occurrence starting at or before `from` (npos searches the whole text).
    std::int64_t ReverseFind(const Utf16String& text, std::int64_t from = npos) const;

    Utf16String Mid(std::int32_t position, std::int32_t count) const;
    Utf16String Left(std::int32_t count) const;
    Utf16String Right(std::int32_t count) const;

    // Lexicographic by unsigned unit value, then by length.
    int Compare(const Utf16String& other) const;
    std::strong_ordering operator<=>(const Utf16String& other) const { return Compare(other) <=> 0; }
    bool operator==(const Utf16String& other) const { return units_ == other.units_; }
    bool EqualsUtf8(const char* utf8) const;

    void Clear() { units_.clear(); }
    Utf16String& Append(const Utf16String& text);
    Utf16String& Append(const Unit* units);
    Utf16String& Append(Unit unit);
    Utf16String& operator+=(const Utf16String& text) { return Append(text); }

    // Replaces every non-overlapping occurrence scanning left to right;
    // replacements are never rescanned. Returns the number of replacements.
    std::int32_t ReplaceAll(const Utf16String& from, const Utf16String& to);

private:
    std::u16string units_;
};

Utf16String operator+(const Utf16String& left, const Utf16String& right);
Utf16String operator+(const Utf16String& left, const char* rightUtf8);
Utf16String operator+(const char* leftUtf8, const Utf16String& right);

}  // namespace hollin::utils
