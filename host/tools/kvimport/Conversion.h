#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "KorvantaModelImporterInterface.h"
#include "settings/ImportSettings.h"

namespace kvimport {

struct ConversionJob {
    std::filesystem::path input;
    std::filesystem::path output;
};

// One job per input; in batch mode each output is DIR/<input name>.kvm.
// Sets `error` (a usage error) when an input has no file name, two inputs
// would write the same model file, or an output is the input file itself.
std::vector<ConversionJob> PlanConversions(const ImportCommand& command, std::string& error);

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
// where the missing ones probably are. The importer is handed `settings`
// in full, and the textures are looked for in their texture folders.
bool Convert(KorvantaModelImporterInterface& importer, const ConversionJob& job,
             const hollin::settings::ImportSettings& settings, const ProgressSettings& progress, bool strict);

}  // namespace kvimport
