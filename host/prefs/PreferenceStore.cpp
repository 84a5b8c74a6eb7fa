#include "PreferenceStore.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "FileLock.h"
#include "StrictJson.h"
#include "utils/AtomicFile.h"
#include "utils/WholeFile.h"

namespace hollin::prefs {

namespace {

using nlohmann::json;

// Far beyond any store that the host writes; a larger file counts as unreadable.
constexpr std::uint64_t kMaxStoreSize = std::uint64_t{64} << 20;

}  // namespace

PreferenceStore::PreferenceStore(std::filesystem::path filePath)
    : filePath_(std::move(filePath)), document_(std::make_unique<json>(json::object())) {}

PreferenceStore::~PreferenceStore() = default;

std::filesystem::path PreferenceStore::LockPath() const {
    return filePath_.string() + ".lock";
}

json PreferenceStore::LoadFromFile() const {
    utils::FileReadError error;
    const std::optional<std::vector<std::uint8_t>> bytes = utils::ReadWholeFile(filePath_.string(), kMaxStoreSize, &error);
    if (!bytes) {
        if (error.problem == utils::FileProblem::Missing) return json::object();
        throw StoreError(StoreError::Operation::Read, filePath_.string(), error.reason);
    }
    json document;
    const korvanta::JsonVerdict verdict =
        korvanta::ParseJsonObject({reinterpret_cast<const char*>(bytes->data()), bytes->size()}, document);
    if (verdict.fault != korvanta::JsonFault::None) {
        throw StoreError(StoreError::Operation::Read, filePath_.string(), korvanta::DescribeJsonFault(verdict.fault),
                         verdict.member, verdict.offset);
    }
    return document;
}

void PreferenceStore::EnsureLoaded() const {
    if (loaded_) return;
    // Writers replace the file in one rename, so a read needs no lock.
    *document_ = LoadFromFile();
    loaded_ = true;
}

std::optional<json> PreferenceStore::Find(const Utf16String& section, const Utf16String& key) const {
    const std::lock_guard guard(mutex_);
    EnsureLoaded();
    const auto sectionEntry = document_->find(section.ToUtf8());
    if (sectionEntry == document_->end() || !sectionEntry->is_object()) return std::nullopt;
    const auto keyEntry = sectionEntry->find(key.ToUtf8());
    if (keyEntry == sectionEntry->end()) return std::nullopt;
    return *keyEntry;
}

void PreferenceStore::Store(const Utf16String& section, const Utf16String& key, json value) {
    const std::lock_guard guard(mutex_);
    const std::string path = filePath_.string();
    std::error_code folderError;
    std::filesystem::create_directories(filePath_.parent_path(), folderError);
    if (folderError) throw StoreError(StoreError::Operation::Write, path, folderError.message());
    const FileLock lock(LockPath());
    switch (lock.Result()) {
        case FileLock::Outcome::Held: break;
        case FileLock::Outcome::HeldElsewhere: throw StoreError(StoreError::Operation::Write, path, kLockHeldElsewhere);
        case FileLock::Outcome::Interrupted: throw StoreError(StoreError::Operation::Write, path, kLockWaitInterrupted);
        case FileLock::Outcome::Unusable:
            throw StoreError(StoreError::Operation::Write, path,
                             "cannot lock " + LockPath().string() + ": " + std::strerror(lock.Error()));
    }

    // Another process may have written since this one last looked.
    json merged = LoadFromFile();
    json& sectionObject = merged[section.ToUtf8()];
    if (!sectionObject.is_object()) sectionObject = json::object();
    if (value.is_discarded()) {
        sectionObject.erase(key.ToUtf8());
        if (sectionObject.empty()) merged.erase(section.ToUtf8());
    } else {
        sectionObject[key.ToUtf8()] = std::move(value);
    }

    std::string error;
    if (!utils::ReplaceFileAtomically(path, merged.dump(2) + "\n", &error)) {
        throw StoreError(StoreError::Operation::Write, path, error);
    }
    *document_ = std::move(merged);
    loaded_ = true;
}

bool PreferenceStore::HasValue(const Utf16String& section, const Utf16String& key) const {
    return Find(section, key).has_value();
}

void PreferenceStore::Remove(const Utf16String& section, const Utf16String& key) {
    Store(section, key, json(json::value_t::discarded));
}

Utf16String PreferenceStore::ReadString(const Utf16String& section, const Utf16String& key,
                                        const Utf16String& defaultValue) const {
    const std::optional<json> value = Find(section, key);
    if (!value || !value->is_string()) return defaultValue;
    return Utf16String::FromUtf8(value->get_ref<const std::string&>());
}

void PreferenceStore::WriteString(const Utf16String& section, const Utf16String& key, const Utf16String& value) {
    Store(section, key, value.ToUtf8());
}

std::int32_t PreferenceStore::ReadInt(const Utf16String& section, const Utf16String& key,
                                      std::int32_t defaultValue) const {
    const std::int64_t wide = ReadInt64(section, key, std::numeric_limits<std::int64_t>::min());
    if (wide < std::numeric_limits<std::int32_t>::min() || wide > std::numeric_limits<std::int32_t>::max()) {
        return defaultValue;
    }
    return static_cast<std::int32_t>(wide);
}

void PreferenceStore::WriteInt(const Utf16String& section, const Utf16String& key, std::int32_t value) {
    Store(section, key, value);
}

double PreferenceStore::ReadDouble(const Utf16String& section, const Utf16String& key, double defaultValue) const {
    const std::optional<json> value = Find(section, key);
    if (!value || !value->is_number()) return defaultValue;
    return value->get<double>();
}

void PreferenceStore::WriteDouble(const Utf16String& section, const Utf16String& key, double value) {
    Store(section, key, value);
}

std::int64_t PreferenceStore::ReadInt64(const Utf16String& section, const Utf16String& key,
                                        std::int64_t defaultValue) const {
    const std::optional<json> value = Find(section, key);
    if (!value) return defaultValue;
    if (value->is_number_integer() && !value->is_number_unsigned()) return value->get<std::int64_t>();
    if (value->is_number_unsigned()) {
        const std::uint64_t unsignedValue = value->get<std::uint64_t>();
        if (unsignedValue <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<std::int64_t>(unsignedValue);
        }
    }
    return defaultValue;
}

void PreferenceStore::WriteInt64(const Utf16String& section, const Utf16String& key, std::int64_t value) {
    Store(section, key, value);
}

bool PreferenceStore::ReadBool(const Utf16String& section, const Utf16String& key, bool defaultValue) const {
    const std::optional<json> value = Find(section, key);
    if (!value || !value->is_boolean()) return defaultValue;
    return value->get<bool>();
}

void PreferenceStore::WriteBool(const Utf16String& section, const Utf16String& key, bool value) {
    Store(section, key, value);
}

std::optional<std::vector<Utf16String>> PreferenceStore::ReadStringList(const Utf16String& section,
                                                                         const Utf16String& key) const {
    const std::optional<json> value = Find(section, key);
    if (!value || !value->is_array()) return std::nullopt;
    std::vector<Utf16String> texts;
    texts.reserve(value->size());
    for (const json& entry : *value) {
        texts.push_back(entry.is_string() ? Utf16String::FromUtf8(entry.get_ref<const std::string&>()) : Utf16String());
    }
    return texts;
}

void PreferenceStore::WriteStringList(const Utf16String& section, const Utf16String& key,
                                      const std::vector<Utf16String>& values) {
    json list = json::array();
    for (const Utf16String& value : values) list.push_back(value.ToUtf8());
    Store(section, key, std::move(list));
}

}  // namespace hollin::prefs
