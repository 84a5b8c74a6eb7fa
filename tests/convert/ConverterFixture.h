#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <memory>

#include "RecordingHostApi.h"
#include "RecordingProgress.h"
#include "SceneWriter.h"
#include "convert/C3DSImporter.h"

namespace hollin::importer::testing {

// The progress texts the importer hands over, untranslated.
ProgressMessageTable EnglishProgressMessages();

// A fresh recording host and a private temporary folder per test.
class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path Write(const SceneWriter& scene, const std::string& fileName = "scene.3ds") const;
    // Runs one converter over `input` the way the importer does.
    bool Convert(const std::filesystem::path& input, int units = 1, bool merge = false);
    // The report the importer shows: counts when the file loaded, then errors.
    std::string Report() const;

    RecordingHostApi& Host() { return RecordingHostApi::Get(); }

    std::filesystem::path folder;
    std::filesystem::path output;
    RecordingProgress progress;
    C3DSImporter* converter = nullptr;

private:
    std::unique_ptr<C3DSImporter> converterStorage_;
    bool loaded_ = false;
};

}  // namespace hollin::importer::testing
