// kvimport: runs the importer plug-in on 3DS files, as the Korvanta host does.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FreedMemory.h"
#include "ConsoleProgress.h"
#include "Conversion.h"
#include "DialogApplication.h"
#include "HostText.h"
#include "HostVersion.h"
#include "ImporterPlugin.h"
#include "Interruption.h"
#include "JsonFileReasons.h"
#include "PluginVersion.h"
#include "Preferences.h"
#include "TextureFolders.h"
#include "TerminalText.h"

namespace {

using namespace kvimport;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kvimport: %s\n%s\n", kvhost::PrintableText(message).c_str(),
                 kvhost::Translated("Try 'kvimport --help'."));
    return kExitUsage;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "kvimport: %s\n", kvhost::PrintableText(message).c_str());
    return kExitFailure;
}

ProgressSettings ProgressSettingsFor(const ImportCommand& command) {
    const bool onTerminal = ::isatty(STDERR_FILENO) != 0;
    ProgressSettings settings;
    settings.mode = command.progress.value_or(onTerminal ? ProgressMode::Bar : ProgressMode::None);
    settings.cancelAfter = command.cancelAfter;
    settings.terminalColumns = TerminalColumns(STDERR_FILENO);
    return settings;
}

bool PrepareOutputFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return Failure(kvhost::Compose("cannot create the folder %1$s: %2$s", {folder.string(), error.message()})), false;
    if (!std::filesystem::is_directory(folder, error)) {
        return Failure(kvhost::Compose("cannot write into %s: it is not a folder", {folder.string()})), false;
    }
    return true;
}

int Run(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) return UsageError(parsed.error);
    const ImportCommand& command = parsed.command;
    if (command.showHelp) {
        std::fputs(HelpText().c_str(), stdout);
        return kExitSuccess;
    }
    const std::filesystem::path pluginPath = command.pluginPath.empty() ? kvhost::DefaultPluginPath() : std::filesystem::path(command.pluginPath);
    if (command.showVersion) {
        std::printf("%s\n", kvhost::HostVersionLine("kvimport").c_str());
        for (const std::string& entry : ReadPluginVersionRecord(pluginPath)) {
            std::printf("  %s\n", kvhost::PrintableText(entry).c_str());
        }
        return kExitSuccess;
    }

    std::string error;
    const std::vector<ConversionJob> jobs =
        command.inputs.empty() ? std::vector<ConversionJob>() : PlanConversions(command, error);
    if (!error.empty()) return UsageError(error);
    if (command.outputFolder && !PrepareOutputFolder(*command.outputFolder)) return kExitFailure;

    // Declared before the plug-in, so that it outlives every window the
    // plug-in made.
    std::unique_ptr<DialogApplication> dialogs;
    if (command.optionsDialog || command.summaryDialog) {
        dialogs = DialogApplication::Start(error);
        if (!dialogs) return Failure(error);
    }

    const std::unique_ptr<kvhost::ImporterPlugin> plugin = kvhost::ImporterPlugin::Load(pluginPath, error);
    if (!plugin) return Failure(error);

    if (command.optionsDialog) {
        // The importer lets the preference store's failures reach its host.
        try {
            plugin->Importer().ShowOptionsDialog();
        } catch (const std::exception& exception) {
            return Failure(kvhost::WhatWentWrong(exception));
        }
    }

    // After the options dialog, whose choice they take.
    hollin::settings::ImportSettings settings;
    try {
        settings = hollin::settings::ResolveImportSettings(hollin::prefs::Get(), command.settings);
    } catch (const std::exception& exception) {
        return Failure(kvhost::WhatWentWrong(exception));
    }
    if (settings.textureFoldersDropped != 0) Failure(kvhost::DroppedFoldersNote(settings.textureFoldersDropped));
    const ProgressSettings progress = ProgressSettingsFor(command);
    bool allConverted = true;
    for (const ConversionJob& job : jobs) {
        if (kvhost::CaughtInterruption() != 0) break;
        allConverted = Convert(plugin->Importer(), job, settings, progress, command.strict) && allConverted;
    }
    if (const int signal = kvhost::CaughtInterruption(); signal != 0) return kvhost::ExitCodeForSignal(signal);
    return allConverted ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    kvhost::GrowTheHeapOnHugePages(argv);
    kvhost::UseTheUsersLanguage();
    kvhost::CatchInterruptions();
    kvhost::KeepFreedMemoryForReuse();
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
