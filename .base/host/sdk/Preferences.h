#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "utils/Utf16String.h"

// The host's preference store: values by section and key, kept across runs.
namespace hollin::prefs {

using hollin::utils::Utf16String;

// What the store throws when its file cannot be read or written, for the
// host to say. The file is then as it was: a store that cannot be read is
// never written over. The reason is in English: the system's error, or a
// sentence that the host programs' catalogues translate. Where in the file
// the fault is: the member concerned (a JSON pointer), or else a byte offset.
class __attribute__((visibility("default"))) StoreError : public std::runtime_error {
public:
    enum class Operation { Read, Write };

    StoreError(Operation operation, const std::string& path, const std::string& reason, const std::string& member = {},
               std::uint64_t offset = 0)
        : std::runtime_error(std::string(operation == Operation::Read ? "cannot read" : "cannot write") +
                             " the preference store " + path + ": " + reason),
          operation_(operation), path_(path), reason_(reason), member_(member), offset_(offset) {}

    Operation GetOperation() const { return operation_; }
    const std::string& Path() const { return path_; }
    const std::string& Reason() const { return reason_; }
    const std::string& Member() const { return member_; }
    std::uint64_t Offset() const { return offset_; }

private:
    Operation operation_;
    std::string path_;
    std::string reason_;
    std::string member_;
    std::uint64_t offset_;
};

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
// Every operation may throw StoreError.
IPreferences& Get();

}  // namespace hollin::prefs
