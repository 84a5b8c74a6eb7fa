#pragma once

#include <climits>
#include <cstdint>
#include <map>
#include <vector>

#include "Utf16String.h"

namespace hollin::utils {

class Variant;
using VariantVector = std::vector<Variant>;
// Keys ordered by UTF-16 code unit, the shorter first when one is a prefix.
using VariantDictionary = std::map<Utf16String, Variant>;

// A tagged value: nothing, a bool, one of four integer kinds, a float, a
// double, a shared text, an opaque 64-bit value, a list or a dictionary.
class Variant {
public:
    enum Type : std::uint32_t {
        Empty = 0,
        Bool = 1,
        Char = 2,
        Short = 3,
        Int = 4,
        Long = 5,
        Float = 6,
        Double = 7,
        String = 8,
        Opaque = 9,
        Vector = 10,
        Dictionary = 11,
    };

    Variant() = default;
    Variant(bool value);
    Variant(signed char value);
    Variant(unsigned char value);
    Variant(char value);
    Variant(short value);
    Variant(unsigned short value);
    Variant(int value);
    Variant(unsigned int value);
    Variant(long value);  // keeps 32 bits, like the 32-bit `long` the type was made for
#if ULONG_MAX == 0xFFFFFFFFUL
    Variant(unsigned long value);
#endif  // where unsigned long is 64 bits it is std::uint64_t and builds an Opaque value
    Variant(float value);
    Variant(double value);
    Variant(const Utf16String& text);
    // Texts from pointers (which would otherwise silently become Bool).
    Variant(const char* utf8);
    Variant(const char16_t* units);
    Variant(const std::uint64_t& opaque);
    Variant(const VariantVector& elements);
    Variant(const VariantDictionary& entries);
    Variant(const Variant& other);
    Variant& operator=(const Variant& other);
    virtual ~Variant();

    Variant& operator=(bool value);
    Variant& operator=(signed char value);
    Variant& operator=(unsigned char value);
    Variant& operator=(char value);
    Variant& operator=(short value);
    Variant& operator=(unsigned short value);
    Variant& operator=(int value);
    Variant& operator=(unsigned int value);
    Variant& operator=(long value);
#if ULONG_MAX == 0xFFFFFFFFUL
    Variant& operator=(unsigned long value);
#endif
    Variant& operator=(float value);
    Variant& operator=(double value);
    Variant& operator=(const Utf16String& text);
    Variant& operator=(const char* utf8);
    Variant& operator=(const char16_t* units);
    Variant& operator=(const std::uint64_t& opaque);
    Variant& operator=(const VariantVector& elements);
    Variant& operator=(const VariantDictionary& entries);

    Type GetType() const { return type_; }

    // Never fail; types that do not convert give false / 0.
    bool AsBool() const;
    std::int32_t AsInt32() const;
    // The held text, or a shared empty text for any other type.
    const Utf16String& AsString() const;
    bool GetString(Utf16String& text) const;
    void GetOpaque(std::uint64_t& value) const;
    void GetRaw32(std::uint32_t& value) const;

    // Container access; throws std::invalid_argument on the wrong type and
    // std::out_of_range for a missing key or index.
    VariantDictionary& GetDictionary();
    const VariantDictionary& GetDictionary() const;
    Variant& GetDictionaryValue(const Utf16String& key);
    const Variant& GetDictionaryValue(const Utf16String& key) const;
    std::vector<Utf16String> GetDictionaryKeys() const;
    VariantVector& GetVector();
    const VariantVector& GetVector() const;
    std::size_t GetVectorSize() const;
    Variant& GetVectorElement(std::int32_t index);
    const Variant& GetVectorElement(std::int32_t index) const;

    // Equal only for the same type 1 to 9 and equal payloads.
    bool operator==(const Variant& other) const;

private:
    struct SharedText;

    void Release();
    void CopyFrom(const Variant& other);
    // Releases the old payload after the new one is complete, so that a
    // value reached through this one (v = v.GetVectorElement(0)) stays valid.
    void Store(Type type, std::uint64_t payload);

    Type type_ = Empty;
    std::uint64_t payload_ = 0;
};

}  // namespace hollin::utils
