#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PluginHost.h"

namespace plugin_tests {

// Tests that drive the loaded plug-in in this process. Every test starts with
// an empty private preference store and no pending report.
class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UsePrivatePreferenceStore();
        if (!SharedPlugin()) SharedPlugin() = std::make_unique<LoadedPlugin>();
    }

    void SetUp() override {
        ASSERT_NE(SharedPlugin()->Entry(), nullptr) << SharedPlugin()->Error();
        ClearStoredImportOptions();
        PrintedSummary();
    }

    static std::unique_ptr<LoadedPlugin>& SharedPlugin() {
        static std::unique_ptr<LoadedPlugin> plugin;
        return plugin;
    }

    static KorvantaModelImporterInterface& Importer() { return SharedPlugin()->Importer(); }

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
