#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "KorvantaModelImporterInterface.h"
#include "Preferences.h"
#include "ProcessRunner.h"

namespace plugin_tests {

// kvinfo's JSON description of a model file or a 3DS file, with `flags`,
// or null when it cannot read it.
inline nlohmann::json ModelInfo(const std::filesystem::path& model, std::vector<std::string> flags = {}) {
    flags.push_back(model.string());
    const ProcessResult result = RunProcess(KV_KVINFO_PATH, flags);
    return result.exitCode == 0 ? nlohmann::json::parse(result.out, nullptr, false) : nlohmann::json();
}

// Every installed real file, by its path under /usr/share, and what it imports
// as, its package's "textures" folder given where there is one: its report,
// and the faces and instances of its model (none when the file is refused).
inline const nlohmann::json& RealFileExpectations() {
    static const nlohmann::json expectations = nlohmann::json::parse(std::ifstream(KV_REAL_FILE_EXPECTATIONS));
    return expectations;
}

// The report of samples/courtyard.3ds's import.
inline const std::string kSampleReport = "3ds Entities Imported\n\tMaterials:\t4\n\tNodes:\t5\n\tMeshes:\t5\n";

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
        hollin::prefs::Get().Remove(u"3DS Importer", u"ImportAsAuthored");
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

// kvimport as a user runs it, with the plug-in installed beside it, in the
// given locale; the preference store and the user's data folder that the
// language search makes are the test's own.
class HostPrograms : public ::testing::Test {
protected:
    std::map<std::string, std::string> Environment(const std::string& locale = "C") const {
        return {{"XDG_CONFIG_HOME", (folder_ / "config").string()},
                {"XDG_DATA_HOME", (folder_ / "data").string()},
                {"LC_ALL", ""},
                {"LC_MESSAGES", ""},
                {"LANG", locale}};
    }

    // With progress lines on standard error unless `flag` says otherwise.
    ProcessResult Import(const std::filesystem::path& input, const std::string& model, const std::string& locale = "C",
                         const std::filesystem::path& kvimport = KV_KVIMPORT_PATH, const std::string& flag = "--progress=lines") const {
        return RunProcess(kvimport, {flag, input.string(), (folder_ / model).string()}, Environment(locale));
    }

    // Checks one conversion end to end: the model is valid glTF and kvinfo
    // reads it back.
    nlohmann::json ExpectValidModel(const std::string& model) const {
        const ProcessResult validation = RunProcess("node", {KV_GLTF_VALIDATOR, (folder_ / model).string()});
        const nlohmann::json report = nlohmann::json::parse(validation.out, nullptr, false);
        EXPECT_EQ(report.is_object() ? report["issues"].value("numErrors", -1) : -1, 0) << validation.out;
        const nlohmann::json info = ModelInfo(folder_ / model);
        EXPECT_TRUE(info.is_object()) << "kvinfo could not read " << model;
        return info;
    }

    TemporaryFolder folder_;
};

}  // namespace plugin_tests
