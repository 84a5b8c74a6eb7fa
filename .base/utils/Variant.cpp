#include "Variant.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace hollin::utils {

// The shared text block: a plain (non-atomic) count and the text.
struct Variant::SharedText {
    std::uint32_t count;
    Utf16String text;
};

namespace {

constexpr const char* kNotDictionary = "Variant is not of dictionary type.";
constexpr const char* kMissingKey = "invalid map<K, T> key";
constexpr const char* kNotVector = "Variant is not of vector type.";
constexpr const char* kBadSubscript = "invalid vector<T> subscript";

template <typename T>
std::uint64_t PointerPayload(T* pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

template <typename T>
T* PayloadPointer(std::uint64_t payload) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(payload));
}

std::uint64_t FloatPayload(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float PayloadFloat(std::uint64_t payload) {
    const auto bits = static_cast<std::uint32_t>(payload);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint64_t DoublePayload(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double PayloadDouble(std::uint64_t payload) {
    double value = 0;
    std::memcpy(&value, &payload, sizeof value);
    return value;
}

std::uint64_t CharPayload(unsigned char value) { return value; }
std::uint64_t ShortPayload(unsigned short value) { return value; }
std::uint64_t IntPayload(std::uint32_t value) { return value; }

// Truncation toward zero; NaN and values outside the 32-bit range give the
// most negative value, as the processor's truncating conversion does.
std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value) || value >= 2147483648.0 || value <= -2147483649.0) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

Variant::Variant(bool value) { Store(Bool, value ? 1 : 0); }
Variant::Variant(signed char value) { Store(Char, CharPayload(static_cast<unsigned char>(value))); }
Variant::Variant(unsigned char value) { Store(Char, CharPayload(value)); }
Variant::Variant(char value) { Store(Char, CharPayload(static_cast<unsigned char>(value))); }
Variant::Variant(short value) { Store(Short, ShortPayload(static_cast<unsigned short>(value))); }
Variant::Variant(unsigned short value) { Store(Short, ShortPayload(value)); }
Variant::Variant(int value) { Store(Int, IntPayload(static_cast<std::uint32_t>(value))); }
Variant::Variant(unsigned int value) { Store(Int, IntPayload(value)); }
Variant::Variant(long value) { Store(Long, IntPayload(static_cast<std::uint32_t>(value))); }
#if ULONG_MAX == 0xFFFFFFFFUL
Variant::Variant(unsigned long value) { Store(Long, IntPayload(static_cast<std::uint32_t>(value))); }
#endif
Variant::Variant(float value) { Store(Float, FloatPayload(value)); }
Variant::Variant(double value) { Store(Double, DoublePayload(value)); }
Variant::Variant(const Utf16String& text) { *this = text; }
Variant::Variant(const char* utf8) { *this = Utf16String::FromUtf8(utf8); }
Variant::Variant(const char16_t* units) { *this = Utf16String(units); }
Variant::Variant(const std::uint64_t& opaque) { Store(Opaque, opaque); }
Variant::Variant(const VariantVector& elements) { *this = elements; }
Variant::Variant(const VariantDictionary& entries) { *this = entries; }
Variant::Variant(const Variant& other) { CopyFrom(other); }

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

Variant::~Variant() { Release(); }

Variant& Variant::operator=(bool value) { return *this = Variant(value); }
Variant& Variant::operator=(signed char value) { return *this = Variant(value); }
Variant& Variant::operator=(unsigned char value) { return *this = Variant(value); }
Variant& Variant::operator=(char value) { return *this = Variant(value); }
Variant& Variant::operator=(short value) { return *this = Variant(value); }
Variant& Variant::operator=(unsigned short value) { return *this = Variant(value); }
Variant& Variant::operator=(int value) { return *this = Variant(value); }
Variant& Variant::operator=(unsigned int value) { return *this = Variant(value); }
Variant& Variant::operator=(long value) { return *this = Variant(value); }
#if ULONG_MAX == 0xFFFFFFFFUL
Variant& Variant::operator=(unsigned long value) { return *this = Variant(value); }
#endif
Variant& Variant::operator=(float value) { return *this = Variant(value); }
Variant& Variant::operator=(double value) { return *this = Variant(value); }
Variant& Variant::operator=(const std::uint64_t& opaque) { return *this = Variant(opaque); }

Variant& Variant::operator=(const Utf16String& text) {
    Store(String, PointerPayload(new SharedText{1, text}));
    return *this;
}

Variant& Variant::operator=(const char* utf8) { return *this = Utf16String::FromUtf8(utf8); }
Variant& Variant::operator=(const char16_t* units) { return *this = Utf16String(units); }

Variant& Variant::operator=(const VariantVector& elements) {
    Store(Vector, PointerPayload(new VariantVector(elements)));
    return *this;
}

Variant& Variant::operator=(const VariantDictionary& entries) {
    Store(Dictionary, PointerPayload(new VariantDictionary(entries)));
    return *this;
}

void Variant::Store(Type type, std::uint64_t payload) {
    Release();
    type_ = type;
    payload_ = payload;
}

void Variant::Release() {
    switch (type_) {
        case String: {
            auto* block = PayloadPointer<SharedText>(payload_);
            if (block->count != 0) --block->count;
            if (block->count == 0) delete block;
            break;
        }
        case Vector:
            delete PayloadPointer<VariantVector>(payload_);
            break;
        case Dictionary:
            delete PayloadPointer<VariantDictionary>(payload_);
            break;
        default:
            break;
    }
    type_ = Empty;
    payload_ = 0;
}

void Variant::CopyFrom(const Variant& other) {
    switch (other.type_) {
        case String: {
            if (type_ == String && payload_ == other.payload_) return;
            auto* block = PayloadPointer<SharedText>(other.payload_);
            ++block->count;
            Store(String, other.payload_);
            break;
        }
        case Vector:
            *this = *PayloadPointer<const VariantVector>(other.payload_);
            break;
        case Dictionary:
            *this = *PayloadPointer<const VariantDictionary>(other.payload_);
            break;
        default:
            Store(other.type_, other.payload_);
            break;
    }
}

bool Variant::AsBool() const {
    switch (type_) {
        case Bool:
        case Char:
        case Short:
        case Int:
        case Long:
            return payload_ != 0;
        case Float:
            return PayloadFloat(payload_) != 0.0f;
        case Double:
            return PayloadDouble(payload_) != 0.0;
        default:
            return false;
    }
}

std::int32_t Variant::AsInt32() const {
    switch (type_) {
        case Char:
            return static_cast<std::int8_t>(static_cast<std::uint8_t>(payload_));
        case Short:
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(payload_));
        case Int:
        case Long:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(payload_));
        case Float:
            return TruncateToInt32(PayloadFloat(payload_));
        case Double:
            return TruncateToInt32(PayloadDouble(payload_));
        default:
            return 0;
    }
}

const Utf16String& Variant::AsString() const {
    static const Utf16String sharedEmpty;
    if (type_ != String) return sharedEmpty;
    return PayloadPointer<const SharedText>(payload_)->text;
}

bool Variant::GetString(Utf16String& text) const {
    if (type_ != String) return false;
    text = PayloadPointer<const SharedText>(payload_)->text;
    return true;
}

void Variant::GetOpaque(std::uint64_t& value) const { value = payload_; }

void Variant::GetRaw32(std::uint32_t& value) const { value = static_cast<std::uint32_t>(payload_); }

VariantDictionary& Variant::GetDictionary() {
    if (type_ != Dictionary) throw std::invalid_argument(kNotDictionary);
    return *PayloadPointer<VariantDictionary>(payload_);
}

const VariantDictionary& Variant::GetDictionary() const {
    if (type_ != Dictionary) throw std::invalid_argument(kNotDictionary);
    return *PayloadPointer<const VariantDictionary>(payload_);
}

Variant& Variant::GetDictionaryValue(const Utf16String& key) {
    VariantDictionary& entries = GetDictionary();
    const auto found = entries.find(key);
    if (found == entries.end()) throw std::out_of_range(kMissingKey);
    return found->second;
}

const Variant& Variant::GetDictionaryValue(const Utf16String& key) const {
    const VariantDictionary& entries = GetDictionary();
    const auto found = entries.find(key);
    if (found == entries.end()) throw std::out_of_range(kMissingKey);
    return found->second;
}

std::vector<Utf16String> Variant::GetDictionaryKeys() const {
    const VariantDictionary& entries = GetDictionary();
    std::vector<Utf16String> keys;
    keys.reserve(entries.size());
    for (const auto& entry : entries) keys.push_back(entry.first);
    return keys;
}

VariantVector& Variant::GetVector() {
    if (type_ != Vector) throw std::invalid_argument(kNotVector);
    return *PayloadPointer<VariantVector>(payload_);
}

const VariantVector& Variant::GetVector() const {
    if (type_ != Vector) throw std::invalid_argument(kNotVector);
    return *PayloadPointer<const VariantVector>(payload_);
}

std::size_t Variant::GetVectorSize() const { return GetVector().size(); }

Variant& Variant::GetVectorElement(std::int32_t index) {
    VariantVector& elements = GetVector();
    if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) throw std::out_of_range(kBadSubscript);
    return elements[static_cast<std::size_t>(index)];
}

const Variant& Variant::GetVectorElement(std::int32_t index) const {
    const VariantVector& elements = GetVector();
    if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) throw std::out_of_range(kBadSubscript);
    return elements[static_cast<std::size_t>(index)];
}

bool Variant::operator==(const Variant& other) const {
    if (type_ != other.type_) return false;
    switch (type_) {
        case Bool:
        case Char:
        case Short:
        case Int:
        case Long:
        case Opaque:
            return payload_ == other.payload_;
        case Float:
            return PayloadFloat(payload_) == PayloadFloat(other.payload_);
        case Double:
            return PayloadDouble(payload_) == PayloadDouble(other.payload_);
        case String:
            return AsString() == other.AsString();
        default:
            return false;
    }
}

}  // namespace hollin::utils
