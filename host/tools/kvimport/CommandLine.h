#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/ImportSettings.h"

namespace kvimport {

enum class ProgressMode {
    Bar,    // one redrawn line with a bar and the current message
    Lines,  // every progress call as one line, for scripts
    None,
};

struct ImportCommand {
    bool showHelp = false;
    bool showVersion = false;
    // Refuse files that load only in part instead of warning about them.
    bool strict = false;
    // The settings given; the stored ones apply to the rest. Texture folders
    // are made absolute from where kvimport runs.
    hollin::settings::GivenImportSettings settings;
    // Absent: a bar when standard error is a terminal, nothing otherwise.
    std::optional<ProgressMode> progress;
    // Absent: the host never cancels.
    std::optional<std::uint64_t> cancelAfter;
    // Show the importer's options dialog before converting anything.
    bool optionsDialog = false;
    // Show each import report in the importer's results dialog.
    bool summaryDialog = false;
    // Empty: the plug-in installed beside the program.
    std::string pluginPath;
    // Set in batch mode (-o DIR); then every operand is an input. No inputs
    // at all only with the options dialog, which is then all there is to do.
    std::optional<std::string> outputFolder;
    std::vector<std::string> inputs;
    std::string output;
};

struct ParsedCommandLine {
    ImportCommand command;
    // Non-empty when the command line is unusable.
    std::string error;
};

// Arguments without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();

}  // namespace kvimport
