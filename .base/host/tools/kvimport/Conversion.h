#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ImportOptions.h"
#include "KorvantaModelImporterInterface.h"

namespace kvimport {

struct ConversionJob {
    std::filesystem::path input;
    std::filesystem::path output;
};

// One job per input; in batch mode each output is DIR/<input name>.kvm.
// Sets `error` (a usage error) when an input has no file name, two inputs
// would write the same model file, or an output is the input file itself.
std::vector<ConversionJob> PlanConversions(const ImportCommand& command, std::string& error);

// Only the settings given on the command line, so that the importer's stored
// settings apply to the rest. `textureFolders` are the command's, made absolute.
ImportOptions BuildImportOptions(const ImportCommand& command, const std::vector<std::string>& textureFolders);

struct ProgressSettings {
    ProgressMode mode = ProgressMode::None;
    std::optional<std::uint64_t> cancelAfter;
    int terminalColumns = 80;
};

// Runs ConvertToModel and then ShowSummary for one job, the importer
// writing to a temporary file that replaces the model file only after an
// import that succeeded and was not cancelled. True when the model file was
// replaced; otherwise it is left as it was and standard error says why.
// After the report, standard error also warns of a file that loaded only in
// part (which `strict` refuses before converting), says which files stood in
// for which texture names, lists the textures the host could not load, and
// where the missing ones probably are. `textureFolders` are the ones the
// import searched.
bool Convert(KorvantaModelImporterInterface& importer, const ConversionJob& job, const ImportOptions& options,
             const std::vector<std::string>& textureFolders, const ProgressSettings& progress, bool strict);

}  // namespace kvimport
