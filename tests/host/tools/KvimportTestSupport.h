#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ProcessRunner.h"

// Runs kvimport with the test importer in a folder of its own; the preference
// store is pointed there too, so no test ever touches the user's settings.
class KvimportTest : public ::testing::Test {
protected:
    std::filesystem::path Dir() const { return folder_.Path(); }

    std::filesystem::path Script(const std::string& name, const std::string& content) const {
        const std::filesystem::path path = Dir() / name;
        WriteFile(path, content);
        return path;
    }

    ProcessResult Kvimport(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--plugin", KV_TEST_IMPORTER});
        return KvimportWithoutPlugin(arguments);
    }

    ProcessResult KvimportWithoutPlugin(const std::vector<std::string>& arguments) const {
        return RunProcess(KV_KVIMPORT, arguments, {{"XDG_CONFIG_HOME", (Dir() / "config").string()}});
    }

    // The lines of the record the test importer writes as its model file.
    static std::vector<std::string> Record(const std::filesystem::path& model) {
        std::vector<std::string> lines;
        std::istringstream stream(ReadFile(model));
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }

    static std::vector<std::string> OptionLines(const std::filesystem::path& model) {
        std::vector<std::string> options;
        for (const std::string& line : Record(model)) {
            if (line.starts_with("option ")) options.push_back(line);
        }
        return options;
    }

private:
    TemporaryFolder folder_;
};
