#pragma once

// Runs the host's programs as a user or a script runs them, in throwaway
// folders; shared by every test that starts a program or needs scratch files.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

struct ProcessResult {
    int exitCode = -1;  // as a shell reports it: 128 plus the signal for a killed program
    std::string out;
    std::string err;
};

// `program` is looked up on PATH when it has no slash; `environment` entries
// are set on top of the test's own; standard input is /dev/null, so the
// programs never see a terminal.
inline ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::map<std::string, std::string>& environment = {}) {
    const auto quoted = [](const std::string& text) {
        std::string quoted = "'";
        for (const char character : text) quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
        return quoted + "'";
    };
    const TemporaryFolder capture;
    std::string command = "env";
    for (const auto& [name, value] : environment) command += " " + quoted(name + "=" + value);
    command += " " + quoted(program.string());
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += " </dev/null >" + quoted((capture / "out").string()) + " 2>" + quoted((capture / "err").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture / "out"), ReadFile(capture / "err")};
}
