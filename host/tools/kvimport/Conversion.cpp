#include "Conversion.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <future>
#include <set>

#include "ConsoleProgress.h"
#include "HostText.h"
#include "Interruption.h"
#include "JsonFileReasons.h"
#include "KorvantaAPI.h"
#include "OutputCapture.h"
#include "SceneFileReasons.h"
#include "StagedOutput.h"
#include "TerminalText.h"
#include "TextureFolders.h"
#include "TextureReport.h"

namespace kvimport {

namespace {

using hollin::importer::SceneFileDiagnosis;
using kvhost::Compose;

void Report(const std::string& message) {
    std::fprintf(stderr, "kvimport: %s\n", kvhost::PrintableText(message).c_str());
}

void ReportAbout(const std::filesystem::path& input, const std::string& message) {
    Report(input.string() + ": " + message);
}

// True when both paths name one existing file, through whatever names.
bool AreTheSameFile(const std::filesystem::path& first, const std::filesystem::path& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// A host on this platform hands importers absolute paths, as a file dialog does.
std::filesystem::path Absolute(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

// The plug-in's report, shown without anything that a terminal would take
// as a command.
void ShowSummary(KorvantaModelImporterInterface& importer) {
    std::optional<std::string> report;
    try {
        report = CaptureStandardOutput([&importer] { importer.ShowSummary(); });
    } catch (...) {
        Report(kvhost::Translated("the importer failed to show its report"));
        return;
    }
    if (!report) {
        Report(kvhost::Translated("cannot show the import report: no room to capture it"));
        return;
    }
    const std::string printable = kvhost::PrintableText(*report);
    std::fwrite(printable.data(), 1, printable.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

std::vector<ConversionJob> PlanConversions(const ImportCommand& command, std::string& error) {
    std::vector<ConversionJob> jobs;
    if (!command.outputFolder) {
        jobs.push_back({command.inputs.front(), command.output});
    } else {
        std::set<std::filesystem::path> outputs;
        for (const std::string& input : command.inputs) {
            const std::filesystem::path name = std::filesystem::path(input).stem();
            if (name.empty() || name == "." || name == "..") {
                error = Compose("input %s has no file name", {input});
                return {};
            }
            std::filesystem::path output = std::filesystem::path(*command.outputFolder) / name;
            output += ".kvm";
            if (!outputs.insert(output).second) {
                error = Compose("two inputs would both be written to %s", {output.string()});
                return {};
            }
            jobs.push_back({input, std::move(output)});
        }
    }
    for (const ConversionJob& job : jobs) {
        if (AreTheSameFile(job.input, job.output)) {
            error = Compose("the output %1$s is the input file %2$s", {job.output.string(), job.input.string()});
            return {};
        }
    }
    return jobs;
}

bool Convert(KorvantaModelImporterInterface& importer, const ConversionJob& job,
             const hollin::settings::ImportSettings& settings, const ProgressSettings& progress, bool strict) {
    std::string error;
    // Made before the conversion, so that an unusable output is reported
    // before any work is done.
    const std::unique_ptr<StagedOutput> staged = StagedOutput::Create(job.output, error);
    if (!staged) {
        Report(error);
        return false;
    }
    const std::filesystem::path input = Absolute(job.input);
    // The file is checked again here, to say afterwards why it failed or what
    // may be missing from it: on the other core while the importer reads it,
    // or first when --strict may refuse it.
    std::future<SceneFileDiagnosis> checking =
        std::async(std::launch::async, [path = input.string()] { return hollin::importer::CheckSceneFileAt(path); });
    std::optional<SceneFileDiagnosis> checked;
    if (strict) {
        checked = checking.get();
        if (const std::optional<std::string> incomplete = kvhost::IncompleteFileWarning(*checked)) {
            ReportAbout(job.input, Compose("not converted (--strict): %s", {*incomplete}));
            return false;
        }
    }

    // The settings in full, so that the importer reads nothing more from the
    // store; a map of this file's own, which the importer may not change.
    ImportOptions options = hollin::settings::HostOptionsFor(settings);
    bool converted = false;
    bool threw = false;
    bool cancelled = false;
    {
        ConsoleProgress console(stderr, progress.mode, progress.cancelAfter, progress.terminalColumns);
        try {
            converted = importer.ConvertToModel(input.string(), staged->TemporaryPath().string(), &console,
                                                &options);
        } catch (const std::exception& exception) {
            console.Finish();
            threw = true;
            Report(Compose("the importer failed on %1$s: %2$s", {job.input.string(), kvhost::WhatWentWrong(exception)}));
        } catch (...) {
            console.Finish();
            threw = true;
            Report(Compose("the importer failed on %s", {job.input.string()}));
        }
        // A signal after the importer's last check cancels all the same.
        cancelled = console.WasCancelled() || kvhost::CaughtInterruption() != 0;
    }
    ShowSummary(importer);
    if (!checked) checked = checking.get();

    const auto reportCancelled = [&] {
        Report(Compose("the import of %1$s was cancelled; %2$s was not written",
                       {job.input.string(), job.output.string()}));
        return false;
    };
    if (cancelled) return reportCancelled();
    if (!converted) {
        if (!threw) ReportAbout(job.input, kvhost::WhyNotConverted(input, *checked));
        return false;
    }
    if (const std::optional<std::string> incomplete = kvhost::IncompleteFileWarning(*checked)) {
        ReportAbout(job.input, Compose("warning: %s", {*incomplete}));
    }
    const auto interrupted = [] { return kvhost::CaughtInterruption() != 0; };
    const kvhost::TextureReport textures =
        kvhost::ReportTextures(input, checked->verdict.textureNames, settings.textureFolders, interrupted);
    // A signal during the report cancels the import all the same: the model
    // stays as it was.
    if (interrupted()) return reportCancelled();
    for (const std::string& line : textures.foundElsewhere) ReportAbout(job.input, line);
    for (const std::string& line : textures.notLoaded) ReportAbout(job.input, line);
    if (textures.hint) {
        const std::string folder = kvhost::FolderAsTyped(textures.hint->folder);
        ReportAbout(job.input,
                    Compose("the missing textures may be in %1$s: add --texture-folder %2$s to use them", {folder, folder}));
    }
    if (!staged->WasWritten()) {
        // The library that saved the model for the importer knows what the system said.
        const int refused = KVModelLastSaveError(staged->TemporaryPath().c_str());
        Report(refused != 0 ? Compose("cannot write %1$s: %2$s", {job.output.string(), std::strerror(refused)})
                            : Compose("cannot write %s: the importer wrote no file there", {job.output.string()}));
        return false;
    }
    if (!staged->Commit(error)) {
        Report(error);
        return false;
    }
    return true;
}

}  // namespace kvimport
