#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "KorvantaModelImporterInterface.h"
#include "Preferences.h"
#include "ProcessRunner.h"

namespace plugin_tests {

// kvinfo's JSON description of a model file, or null when it cannot read it.
inline nlohmann::json ModelInfo(const std::filesystem::path& model) {
    const ProcessResult result = RunProcess(KV_KVINFO_PATH, {model.string()});
    return result.exitCode == 0 ? nlohmann::json::parse(result.out, nullptr, false) : nlohmann::json();
}

inline std::string OpenFileErrorReport(const std::string& path) {
    return "3ds Errors:\n\tCould not open file: " + path + "\n";
}

inline std::string SummaryReport(int materials, int nodes, int meshes) {
    return "3ds Entities Imported\n\tMaterials:\t" + std::to_string(materials) + "\n\tNodes:\t" +
           std::to_string(nodes) + "\n\tMeshes:\t" + std::to_string(meshes) + "\n";
}

// Drives the built plug-in in this process, loaded once the way a host loads
// it; every test starts with an empty preference store and no pending report.
class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const TemporaryFolder configHome;  // the store keeps writing there until exit
        ::setenv("XDG_CONFIG_HOME", (configHome / "config").c_str(), 1);
        // Loading the plug-in looks for its language in the user's data folder and makes it.
        ::setenv("XDG_DATA_HOME", (configHome / "data").c_str(), 1);
    }

    void SetUp() override {
        ASSERT_NE(Entry(), nullptr) << ::dlerror();
        ForgetStoredOptions();
        PrintedSummary();
    }

    static void ForgetStoredOptions() {
        hollin::prefs::Get().Remove(u"3DS Importer", u"ImportMergeCoplanarFaces");
        hollin::prefs::Get().Remove(u"3DS Importer", u"ImportUnits");
    }

    static GetKorvantaModelImporterInterfaceFunction* Entry() {
        static void* const library = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        void* const entry = library == nullptr ? nullptr : ::dlsym(library, kImporterEntryPointName);
        return reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(entry);
    }

    static KorvantaModelImporterInterface& Importer() { return *Entry()(); }

    // What ShowSummary writes to standard output.
    static std::string PrintedSummary() {
        ::testing::internal::CaptureStdout();
        Importer().ShowSummary();
        return ::testing::internal::GetCapturedStdout();
    }

    static bool Convert(const std::filesystem::path& input, const std::filesystem::path& output,
                        HostProgressCallback* progress = nullptr, ImportOptions* options = nullptr) {
        return Importer().ConvertToModel(input.string(), output.string(), progress, options);
    }
};

}  // namespace plugin_tests
