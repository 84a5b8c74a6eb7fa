#pragma once

// Runs the host's programs as a user or a script runs them, in throwaway
// folders; shared by every test that starts a program or needs scratch files.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
// programs never see a terminal. It runs in `workingFolder` when one is given.
inline ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::map<std::string, std::string>& environment = {},
                                const std::filesystem::path& workingFolder = {}) {
    const auto quoted = [](const std::string& text) {
        std::string quoted = "'";
        for (const char character : text) quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
        return quoted + "'";
    };
    const TemporaryFolder capture;
    std::string command = workingFolder.empty() ? "env" : "cd " + quoted(workingFolder.string()) + " && env";
    for (const auto& [name, value] : environment) command += " " + quoted(name + "=" + value);
    command += " " + quoted(program.string());
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += " </dev/null >" + quoted((capture / "out").string()) + " 2>" + quoted((capture / "err").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture / "out"), ReadFile(capture / "err")};
}

// A program started in the background, with its standard error read as it
// comes, for tests that act while it runs. It starts with SIGINT and SIGTERM
// at their defaults, whatever the test process inherited.
class BackgroundProcess {
public:
    BackgroundProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment = {}) {
        int errorPipe[2];
        if (::pipe(errorPipe) != 0) throw std::runtime_error("pipe failed");
        errorRead_ = errorPipe[0];
        std::vector<std::string> words = {"env"};
        for (const auto& [name, value] : environment) words.push_back(name + "=" + value);
        words.push_back(program.string());
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (capture_ / "out").c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
        ::posix_spawn_file_actions_addclose(&actions, errorPipe[0]);
        ::posix_spawn_file_actions_addclose(&actions, errorPipe[1]);
        posix_spawnattr_t attributes;
        ::posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        ::posix_spawnattr_setsigdefault(&attributes, &defaults);
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        const int failed = ::posix_spawnp(&pid_, "env", &actions, &attributes, argv.data(), environ);
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(errorPipe[1]);
        if (failed != 0) throw std::runtime_error("posix_spawnp failed");
    }
    ~BackgroundProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(errorRead_);
    }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Reads standard error until `text` has appeared in it; false when the
    // program closed it first.
    bool WaitForError(const std::string& text) {
        while (err_.find(text) == std::string::npos) {
            if (!ReadError()) return false;
        }
        return true;
    }

    void Signal(int signal) const { ::kill(pid_, signal); }

    // Waits for the program to end; the exit code is -1 when a signal ended it.
    ProcessResult Finish() {
        while (ReadError()) {
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture_ / "out"), err_};
    }

private:
    bool ReadError() {
        char buffer[4096];
        const ssize_t count = ::read(errorRead_, buffer, sizeof buffer);
        if (count <= 0) return false;
        err_.append(buffer, static_cast<std::size_t>(count));
        return true;
    }

    TemporaryFolder capture_;
    pid_t pid_ = -1;
    int errorRead_ = -1;
    std::string err_;
};
