#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "HostProgressCallback.h"
#include "KorvantaModelImporterInterface.h"

namespace plugin_tests {

// The built plug-in, loaded the way a host loads it.
class LoadedPlugin {
public:
    LoadedPlugin();
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    // Null when the library or its entry point could not be found (see Error()).
    GetKorvantaModelImporterInterfaceFunction* Entry() const { return entry_; }
    KorvantaModelImporterInterface& Importer() const { return *entry_(); }
    // Whether the library makes a symbol other than the entry visible.
    bool Exports(const char* symbol) const;
    const std::string& Error() const { return error_; }

private:
    void* handle_ = nullptr;
    GetKorvantaModelImporterInterfaceFunction* entry_ = nullptr;
    std::string error_;
};

// Records what the importer tells the host, one line per call, and cancels
// on request once a given number of cancellation queries have been answered.
class RecordingProgress final : public HostProgressCallback {
public:
    explicit RecordingProgress(long cancelAfterQueries = -1) : cancelAfterQueries_(cancelAfterQueries) {}
    virtual ~RecordingProgress() = default;

    bool IsCancelled() override;
    void SetPercent(double percent) override;
    void SetSecondaryPercent(double percent) override;
    void SetSecondaryMessage(const char* utf8Text) override;
    void SetMessage(const std::string& utf8Message) override;

    std::vector<std::string> messages;
    std::vector<double> percents;
    // "percent" and "message" in the order of the calls.
    std::vector<std::string> calls;
    long cancellationQueries = 0;

private:
    long cancelAfterQueries_;
};

// A folder of its own under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points the host's preference store at a private folder. Must run before
// anything in the process touches the store, which keeps the path it starts with.
void UsePrivatePreferenceStore();
// Removes both import options from the store.
void ClearStoredImportOptions();

// What a program printed on standard output, and how it ended.
struct ProgramResult {
    int exitCode = -1;
    std::string output;
};
ProgramResult RunProgram(const std::string& commandLine);
std::string ShellQuote(const std::string& text);

// The texts the importer prints for a failed and a successful load.
std::string OpenFileErrorReport(const std::string& path);
std::string SummaryReport(int materials, int nodes, int meshes);

}  // namespace plugin_tests
