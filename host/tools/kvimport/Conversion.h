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
// Sets `error` (a usage error) when an input has no file name or two inputs
// would write the same model file.
std::vector<ConversionJob> PlanConversions(const ImportCommand& command, std::string& error);

// Only the options given on the command line, so that the importer's stored
// options apply to the rest.
ImportOptions BuildImportOptions(const ImportCommand& command);

struct ProgressSettings {
    ProgressMode mode = ProgressMode::None;
    std::optional<std::uint64_t> cancelAfter;
    int terminalColumns = 80;
};

// Runs ConvertToModel and then ShowSummary for one job. True when the
// importer succeeded and the model file was written by it; otherwise says
// why on standard error.
bool Convert(KorvantaModelImporterInterface& importer, const ConversionJob& job, const ImportOptions& options,
             const ProgressSettings& progress);

}  // namespace kvimport
