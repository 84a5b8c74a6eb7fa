#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
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

    // Null when the library or its entry could not be loaded (see error).
    GetKorvantaModelImporterInterfaceFunction* entry = nullptr;
    std::string error;

private:
    void* handle_ = nullptr;
};

// Records what the importer tells the host; answers "cancelled" once it has
// been asked more than `cancelAfterQueries` times (never when negative).
class RecordingProgress final : public HostProgressCallback {
public:
    explicit RecordingProgress(long cancelAfterQueries = -1) : cancelAfterQueries_(cancelAfterQueries) {}
    virtual ~RecordingProgress() = default;

    bool IsCancelled() override { return cancelAfterQueries_ >= 0 && ++queries > cancelAfterQueries_; }
    void SetPercent(double percent) override { percents.push_back(percent); }
    void SetSecondaryPercent(double percent) override { secondary.push_back(std::to_string(percent)); }
    void SetSecondaryMessage(const char* text) override { secondary.emplace_back(text); }
    void SetMessage(const std::string& message) override { messages.push_back(message); }

    std::vector<double> percents;
    std::vector<std::string> messages;
    std::vector<std::string> secondary;
    long queries = 0;

private:
    long cancelAfterQueries_;
};

// A private folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points the host's preference store at a private folder; must run before
// anything in the process opens the store.
void UsePrivatePreferenceStore();
void ClearStoredImportOptions();

struct ProgramResult {
    int exitCode = -1;
    std::string output;  // standard output only
};
ProgramResult RunProgram(const std::string& commandLine);
std::string ShellQuote(const std::string& text);

// kvinfo's JSON description of a model file, or null when it cannot read it.
nlohmann::json ModelInfo(const std::filesystem::path& model);

std::string OpenFileErrorReport(const std::string& path);
std::string SummaryReport(int materials, int nodes, int meshes);

// Tests that drive the loaded plug-in in this process, each starting with an
// empty preference store and no pending report.
class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    static std::unique_ptr<LoadedPlugin>& SharedPlugin();
    static KorvantaModelImporterInterface& Importer() { return *SharedPlugin()->entry(); }
    // What ShowSummary writes to standard output.
    static std::string PrintedSummary();
    static bool Convert(const std::filesystem::path& input, const std::filesystem::path& output,
                        HostProgressCallback* progress = nullptr, ImportOptions* options = nullptr) {
        return Importer().ConvertToModel(input.string(), output.string(), progress, options);
    }
};

}  // namespace plugin_tests
