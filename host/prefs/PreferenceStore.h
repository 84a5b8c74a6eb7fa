#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

#include <nlohmann/json_fwd.hpp>

#include "Preferences.h"

namespace hollin::prefs {

// Preferences kept as one JSON object of sections, each an object of keys,
// in a file that several processes may share. The file is read on first use;
// every write re-reads it under a lock, applies the one change and replaces
// the file atomically, so concurrent writers neither tear the file nor lose
// each other's keys. A value of another type than the one asked for reads as
// the caller's default; no file at all is an empty store. A file that cannot
// be read, or holds anything but a strict JSON object (see StrictJson.h), is
// left as it is: every read and write throws StoreError saying why, until
// someone mends or removes it.
class PreferenceStore final : public IPreferences {
public:
    explicit PreferenceStore(std::filesystem::path filePath);
    ~PreferenceStore() override;

    const std::filesystem::path& FilePath() const { return filePath_; }

    bool HasValue(const Utf16String& section, const Utf16String& key) const override;
    void Remove(const Utf16String& section, const Utf16String& key) override;
    Utf16String ReadString(const Utf16String& section, const Utf16String& key,
                           const Utf16String& defaultValue) const override;
    void WriteString(const Utf16String& section, const Utf16String& key, const Utf16String& value) override;
    std::int32_t ReadInt(const Utf16String& section, const Utf16String& key,
                         std::int32_t defaultValue) const override;
    void WriteInt(const Utf16String& section, const Utf16String& key, std::int32_t value) override;
    double ReadDouble(const Utf16String& section, const Utf16String& key, double defaultValue) const override;
    void WriteDouble(const Utf16String& section, const Utf16String& key, double value) override;
    std::int64_t ReadInt64(const Utf16String& section, const Utf16String& key,
                           std::int64_t defaultValue) const override;
    void WriteInt64(const Utf16String& section, const Utf16String& key, std::int64_t value) override;
    bool ReadBool(const Utf16String& section, const Utf16String& key, bool defaultValue) const override;
    void WriteBool(const Utf16String& section, const Utf16String& key, bool value) override;
    std::optional<std::vector<Utf16String>> ReadStringList(const Utf16String& section,
                                                           const Utf16String& key) const override;
    void WriteStringList(const Utf16String& section, const Utf16String& key,
                         const std::vector<Utf16String>& values) override;

private:
    // A copy of the stored value, or nothing when the key is absent.
    std::optional<nlohmann::json> Find(const Utf16String& section, const Utf16String& key) const;
    // Sets the value; a discarded json removes the key.
    void Store(const Utf16String& section, const Utf16String& key, nlohmann::json value);
    // The file's current document; throws StoreError when it cannot be read.
    nlohmann::json LoadFromFile() const;
    void EnsureLoaded() const;
    std::filesystem::path LockPath() const;

    const std::filesystem::path filePath_;
    mutable std::mutex mutex_;
    mutable bool loaded_ = false;
    // Held apart so that the header needs only the JSON type's name.
    const std::unique_ptr<nlohmann::json> document_;
};

}  // namespace hollin::prefs
