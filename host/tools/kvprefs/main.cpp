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
#include "TerminalText.h"
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
    "          settings take only the values below.\n"
    "  remove  deletes the value; the reader's default applies again.\n"
    "\n"
    "The 3DS importer keeps its settings in section \"3DS Importer\":\n"
    "  ImportMergeCoplanarFaces  true or false\n"
    "  ImportAsAuthored          true or false: faces smooth where the file's\n"
    "                            smoothing groups join them, texture maps tiled\n"
    "                            as the file lays them\n"
    "  ImportUnits               the unit's index or name:\n"
    "                            ") + kvhost::UnitIndexList(28) + "\n" +
    "  TextureFolders            folders searched for textures that are not in the\n"
    "                            model's folder, in order, separated by colons, or\n"
    "                            as a JSON list of texts for names with a colon;\n"
    "                            relative folders are stored as absolute ones; at\n"
    "                            most " + std::to_string(hollin::settings::kMaxTextureFolders) + " are kept\n" +
    "Examples: kvprefs set \"3DS Importer\" ImportUnits meters\n"
    "          kvprefs set \"3DS Importer\" TextureFolders ~/textures:/srv/maps\n"
    "          kvprefs set \"3DS Importer\" TextureFolders '[\"/srv/maps:2019\", \"/srv/maps\"]'\n"
    "\n"
    "Exit status: 0 on success, 1 when the value is missing or the store cannot\n"
    "be read or written, 2 for a usage error.\n";
}

using kvhost::Compose;
using kvhost::Translated;

// Names and values may hold anything a terminal would take as a command.
void Say(const std::string& message) {
    std::fprintf(stderr, "kvprefs: %s\n", kvhost::PrintableText(message).c_str());
}

int UsageError(const std::string& message) {
    Say(message);
    std::fprintf(stderr, "%s\n", Translated("Try 'kvprefs --help'."));
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

bool IsImporterKey(const std::string& section, const std::string& key, const char16_t* importerKey) {
    return Text(section) == Utf16String(hollin::settings::kPreferenceSection) && Text(key) == Utf16String(importerKey);
}

int Get(const std::string& section, const std::string& key) {
    const IPreferences& store = hollin::prefs::Get();
    if (IsImporterKey(section, key, hollin::settings::kTextureFoldersKey) && store.HasValue(Text(section), Text(key))) {
        const hollin::settings::TextureFolderList list = hollin::settings::ReadTextureFolders(store);
        if (list.dropped != 0) Say(kvhost::DroppedFoldersNote(list.dropped));
        std::printf("%s\n", kvhost::PrintableText(kvhost::FolderListArgument(list.folders)).c_str());
        return kExitSuccess;
    }
    if (!store.HasValue(Text(section), Text(key))) {
        Say(Compose("nothing is stored for \"%1$s\" in section \"%2$s\"", {key, section}));
        return kExitFailure;
    }
    const std::optional<std::string> text = StoredValueText(store, Text(section), Text(key));
    if (!text) {
        Say(Compose("the value of \"%1$s\" in section \"%2$s\" has a type kvprefs cannot show", {key, section}));
        return kExitFailure;
    }
    std::printf("%s\n", kvhost::PrintableText(*text).c_str());
    return kExitSuccess;
}

bool IsImporterBoolean(const std::string& section, const std::string& key) {
    for (const char16_t* booleanKey : hollin::settings::kBooleanKeys) {
        if (IsImporterKey(section, key, booleanKey)) return true;
    }
    return false;
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
        const std::optional<std::vector<std::string>> folders = kvhost::ParseFolderListArgument(value);
        if (!folders) return UsageError(Translated("TextureFolders takes folders separated by colons, or a JSON list of texts"));
        std::vector<std::string> absolute;
        for (const std::string& folder : *folders) absolute.push_back(kvhost::AbsoluteFolder(folder));
        const hollin::settings::TextureFolderList list = hollin::settings::TextureFoldersFromList(absolute);
        hollin::settings::WriteTextureFolders(store, list.folders);
        if (list.dropped != 0) Say(kvhost::DroppedFoldersNote(list.dropped));
        return kExitSuccess;
    }
    // The importer would read a number where it wants a boolean as nothing stored.
    if (IsImporterBoolean(section, key) && value != "true" && value != "false") {
        return UsageError(Compose("\"%1$s\" is a boolean: use true or false, not \"%2$s\"", {key, value}));
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
        Say(kvhost::WhatWentWrong(error));
    }
    const int signal = kvhost::CaughtInterruption();
    return signal != 0 ? kvhost::ExitCodeForSignal(signal) : status;
}
