#include "Conversion.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <set>

#include "ConsoleProgress.h"

namespace kvimport {

namespace {

using hollin::utils::Utf16String;
using hollin::utils::Variant;

// Tells a file that the importer wrote apart from one that was already there.
struct FileStamp {
    dev_t device;
    ino_t inode;
    timespec modified;
    off_t size;

    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec && size == other.size;
    }
};

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileStamp{status.st_dev, status.st_ino, status.st_mtim, status.st_size};
}

// Why the model file is not there, or empty when it is there and new.
std::string MissingModelReason(const std::filesystem::path& output, const std::optional<FileStamp>& before) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(output, error);
    if (std::filesystem::is_directory(status)) return "it is a folder";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return "it is not a regular file";
    if (!std::filesystem::exists(status)) {
        const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
        if (!std::filesystem::is_directory(folder, error)) return "the folder " + folder.string() + " does not exist";
        return "the importer wrote no file there";
    }
    if (before && StampOf(output) == before) return "the importer left the existing file unchanged";
    return {};
}

void Report(const std::string& message) {
    std::fprintf(stderr, "kvimport: %s\n", message.c_str());
}

}  // namespace

std::vector<ConversionJob> PlanConversions(const ImportCommand& command, std::string& error) {
    if (!command.outputFolder) return {{command.inputs.front(), command.output}};

    std::vector<ConversionJob> jobs;
    std::set<std::filesystem::path> outputs;
    for (const std::string& input : command.inputs) {
        const std::filesystem::path name = std::filesystem::path(input).stem();
        if (name.empty() || name == "." || name == "..") {
            error = "input " + input + " has no file name";
            return {};
        }
        std::filesystem::path output = std::filesystem::path(*command.outputFolder) / name;
        output += ".kvm";
        if (!outputs.insert(output).second) {
            error = "two inputs would both be written to " + output.string();
            return {};
        }
        jobs.push_back({input, std::move(output)});
    }
    return jobs;
}

ImportOptions BuildImportOptions(const ImportCommand& command) {
    ImportOptions options;
    if (command.units) options[Utf16String("ImportUnits")] = Variant(*command.units);
    if (command.mergeCoplanarFaces) options[Utf16String("ImportMergeCoplanarFaces")] = Variant(*command.mergeCoplanarFaces);
    return options;
}

bool Convert(KorvantaModelImporterInterface& importer, const ConversionJob& job, const ImportOptions& options,
             const ProgressSettings& progress) {
    const std::optional<FileStamp> before = StampOf(job.output);
    // The importer may not change the host's map, but a copy keeps one file's
    // conversion from ever seeing another's.
    ImportOptions optionsForThisFile = options;
    bool converted = false;
    {
        ConsoleProgress console(stderr, progress.mode, progress.cancelAfter, progress.terminalColumns);
        try {
            converted = importer.ConvertToModel(job.input.string(), job.output.string(), &console, &optionsForThisFile);
        } catch (const std::exception& exception) {
            console.Finish();
            Report("the importer failed on " + job.input.string() + ": " + exception.what());
        } catch (...) {
            console.Finish();
            Report("the importer failed on " + job.input.string());
        }
    }
    importer.ShowSummary();
    // The plug-in prints its report through the process's standard output;
    // it must appear before anything that follows for the next file.
    std::cout.flush();
    std::fflush(stdout);

    if (!converted) {
        Report("could not convert " + job.input.string() + " (see the import report)");
        return false;
    }
    if (const std::string reason = MissingModelReason(job.output, before); !reason.empty()) {
        Report("cannot write " + job.output.string() + ": " + reason);
        return false;
    }
    return true;
}

}  // namespace kvimport
