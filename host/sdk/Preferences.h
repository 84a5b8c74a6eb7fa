#pragma once

#include <cstdint>

#include "utils/Utf16String.h"

// The host's preference store: values by section and key, kept across runs.
namespace hollin::prefs {

using hollin::utils::Utf16String;

class IPreferences {
public:
    virtual ~IPreferences() = default;
    virtual bool HasValue(const Utf16String& section, const Utf16String& key) const = 0;
    virtual void Remove(const Utf16String& section, const Utf16String& key) = 0;
    virtual Utf16String ReadString(const Utf16String& section, const Utf16String& key,
                                   const Utf16String& defaultValue) const = 0;
    virtual void WriteString(const Utf16String& section, const Utf16String& key, const Utf16String& value) = 0;
    virtual std::int32_t ReadInt(const Utf16String& section, const Utf16String& key,
                                 std::int32_t defaultValue) const = 0;
    virtual void WriteInt(const Utf16String& section, const Utf16String& key, std::int32_t value) = 0;
    virtual double ReadDouble(const Utf16String& section, const Utf16String& key, double defaultValue) const = 0;
    virtual void WriteDouble(const Utf16String& section, const Utf16String& key, double value) = 0;
    virtual std::int64_t ReadInt64(const Utf16String& section, const Utf16String& key,
                                   std::int64_t defaultValue) const = 0;
    virtual void WriteInt64(const Utf16String& section, const Utf16String& key, std::int64_t value) = 0;
    virtual bool ReadBool(const Utf16String& section, const Utf16String& key, bool defaultValue) const = 0;
    virtual void WriteBool(const Utf16String& section, const Utf16String& key, bool value) = 0;
};

// The process's store; created on first use, never released by callers.
IPreferences& Get();

}  // namespace hollin::prefs
