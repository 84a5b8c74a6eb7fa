// kvprefs: reads and writes the host's preference store from the command line.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HostText.h"
#include "HostVersion.h"
#include "Interruption.h"
#include "JsonFileReasons.h"
#include "Preferences.h"
#include "TextureFolders.h"
#include "UnitListText.h"
#include "settings/ImportSettings.h"
#include "settings/LengthUnits.h"

namespace {

using hollin::prefs::IPreferences;
using hollin::utils::Utf16String;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string HelpText() {
    return std::string(
    "Usage: kvprefs get SECTION KEY\n"
    "       kvprefs set SECTION KEY VALUE\n"
    "       kvprefs remove SECTION KEY\n"
    "\n"
    "Reads and writes the Korvanta host's preference store, the same store that\n"
    "plug-ins use, kept in $XDG_CONFIG_HOME/Korvanta/preferences.json\n"
    "(~/.config/Korvanta/preferences.json when XDG_CONFIG_HOME is not set).\n"
    "\n"
    "  get     prints the stored value: true or false for a boolean, the number\n"
    "          for an integer, a text as it is. Exits with 1 when nothing is\n"
    "          stored.\n"
    "  set     stores VALUE: true or false as a boolean, anything else must be\n"
    "          a 32-bit integer and is stored as an integer; the 3DS importer's\n"
    "          units and texture folders are stored as below.\n"
    "  remove  deletes the value; the reader's default applies again.\n"
    "\n"
    "The 3DS importer keeps its settings in section \"3DS Importer\":\n"
    "  ImportMergeCoplanarFaces  true or false\n"
    "  ImportUnits               the unit's index or name:\n"
    "                            ") + kvhost::UnitIndexList(28) + "\n" +
    "  TextureFolders            folders searched for textures that are not in the\n"
    "                            model's folder, in order, separated by colons;\n"
    "                            relative folders are stored as absolute ones\n"
    "Examples: kvprefs set \"3DS Importer\" ImportUnits meters\n"
    "          kvprefs set \"3DS Importer\" TextureFolders ~/textures:/srv/maps\n"
    "\n"
    "Exit status: 0 on success, 1 when the value is missing or the store cannot\n"
    "be read or written, 2 for a usage error.\n";
}

using kvhost::Compose;
using kvhost::Translated;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kvprefs: %s\n%s\n", message.c_str(), Translated("Try 'kvprefs --help'."));
    return kExitUsage;
}

Utf16String Text(const std::string& utf8) {
    return Utf16String::FromUtf8(utf8);
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Section and key names reach the store as UTF-8; anything else would be
// silently turned into an empty name.
bool IsUtf8(const std::string& text) {
    return text.empty() || !Text(text).IsEmpty();
}

// A colon-separated list of folders as the user typed it; empty entries are dropped.
std::vector<std::string> ListedFolders(const std::string& value) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(':', start);
        if (end == std::string::npos) end = value.size();
        if (end > start) folders.push_back(value.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::string DoubleText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The store answers a read of the wrong type with the caller's default, so a
// value has a type exactly when two different defaults give the same answer.
std::optional<std::string> StoredValueText(const IPreferences& store, const Utf16String& section,
                                           const Utf16String& key) {
    if (store.ReadBool(section, key, false) == store.ReadBool(section, key, true)) {
        return store.ReadBool(section, key, false) ? "true" : "false";
    }
    if (store.ReadInt(section, key, 0) == store.ReadInt(section, key, 1)) {
        return std::to_string(store.ReadInt(section, key, 0));
    }
    if (store.ReadInt64(section, key, 0) == store.ReadInt64(section, key, 1)) {
        return std::to_string(store.ReadInt64(section, key, 0));
    }
    if (store.ReadDouble(section, key, 0.0) == store.ReadDouble(section, key, 1.0)) {
        return DoubleText(store.ReadDouble(section, key, 0.0));
    }
    if (store.ReadString(section, key, "0") == store.ReadString(section, key, "1")) {
        return store.ReadString(section, key, "0").ToUtf8();
    }
    return std::nullopt;
}

int Get(const std::string& section, const std::string& key) {
    const IPreferences& store = hollin::prefs::Get();
    if (!store.HasValue(Text(section), Text(key))) {
        std::fprintf(stderr, "kvprefs: %s\n",
                     Compose("nothing is stored for \"%1$s\" in section \"%2$s\"", {key, section}).c_str());
        return kExitFailure;
    }
    const std::optional<std::string> text = StoredValueText(store, Text(section), Text(key));
    if (!text) {
        std::fprintf(stderr, "kvprefs: %s\n",
                     Compose("the value of \"%1$s\" in section \"%2$s\" has a type kvprefs cannot show", {key, section})
                         .c_str());
        return kExitFailure;
    }
    std::printf("%s\n", text->c_str());
    return kExitSuccess;
}

bool IsImporterKey(const std::string& section, const std::string& key, const char16_t* importerKey) {
    return Text(section) == Utf16String(hollin::settings::kPreferenceSection) && Text(key) == Utf16String(importerKey);
}

int Set(const std::string& section, const std::string& key, const std::string& value) {
    IPreferences& store = hollin::prefs::Get();
    if (IsImporterKey(section, key, hollin::settings::kUnitsKey)) {
        // Any index is kept as it is: one outside the list means the file's own scale.
        std::optional<std::int32_t> units = hollin::settings::ParseLengthUnit(value);
        if (!units) units = ParseInt(value);
        if (!units) return UsageError(Compose("unknown unit \"%1$s\" (use %2$s, or 0 to 8)", {value, kvhost::UnitNameList()}));
        store.WriteInt(Text(section), Text(key), *units);
        return kExitSuccess;
    }
    if (IsImporterKey(section, key, hollin::settings::kTextureFoldersKey)) {
        hollin::settings::WriteTextureFolders(store, kvhost::TextureFoldersToUse(ListedFolders(value)));
        return kExitSuccess;
    }
    if (value == "true" || value == "false") {
        store.WriteBool(Text(section), Text(key), value == "true");
        return kExitSuccess;
    }
    const std::optional<std::int32_t> number = ParseInt(value);
    if (!number) return UsageError(Compose("VALUE must be true, false or a 32-bit integer, not \"%s\"", {value}));
    store.WriteInt(Text(section), Text(key), *number);
    return kExitSuccess;
}

int Remove(const std::string& section, const std::string& key) {
    hollin::prefs::Get().Remove(Text(section), Text(key));
    return kExitSuccess;
}

int Run(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return UsageError(Translated("missing command (get, set or remove)"));
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(HelpText().c_str(), stdout);
            return kExitSuccess;
        }
        if (argument == "--version") {
            std::printf("%s\n", kvhost::HostVersionLine("kvprefs").c_str());
            return kExitSuccess;
        }
    }
    const std::string& command = arguments[0];
    const std::size_t expected = command == "set" ? 4 : 3;
    if (command != "get" && command != "set" && command != "remove") {
        return UsageError(Compose("unknown command \"%s\"", {command}));
    }
    if (arguments.size() != expected) {
        return UsageError(expected == 4 ? Compose("%s takes SECTION KEY VALUE", {command})
                                        : Compose("%s takes SECTION KEY", {command}));
    }
    if (!IsUtf8(arguments[1]) || !IsUtf8(arguments[2])) return UsageError(Translated("SECTION and KEY must be UTF-8 text"));
    if (arguments[1].empty() || arguments[2].empty()) return UsageError(Translated("SECTION and KEY must not be empty"));

    if (command == "get") return Get(arguments[1], arguments[2]);
    if (command == "set") return Set(arguments[1], arguments[2], arguments[3]);
    return Remove(arguments[1], arguments[2]);
}

}  // namespace

int main(int argc, char** argv) {
    kvhost::UseTheUsersLanguage();
    // A signal lets a write finish, so that it leaves no temporary file.
    kvhost::CatchInterruptions();
    int status = kExitFailure;
    try {
        status = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvprefs: %s\n", kvhost::WhatWentWrong(error).c_str());
    }
    const int signal = kvhost::CaughtInterruption();
    return signal != 0 ? kvhost::ExitCodeForSignal(signal) : status;
}
