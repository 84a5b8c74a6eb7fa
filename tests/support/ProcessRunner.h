#pragma once

// Runs the host's programs as a user or a script runs them, their output
// caught in throwaway folders.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TemporaryFolder.h"

struct ProcessResult {
    int exitCode = -1;  // -1 when a signal ended the program
    std::string out;
    std::string err;
};

// The most a program a test runs may take, under the sanitizers too: one
// that hangs is ended then and fails its test, rather than holding the
// whole suite until its own limit.
inline constexpr std::chrono::seconds kProgramTimeLimit{300};

inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char character : text) quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

// The shell command that runs `program` (looked up on PATH when it has no
// slash) with `environment` entries on top of the test's own, standard input
// from /dev/null, so that programs never see a terminal, and its output into
// the files "out" and "err" of `capture`.
inline std::string ShellCommand(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::map<std::string, std::string>& environment,
                                const TemporaryFolder& capture) {
    std::string command = "env";
    for (const auto& [name, value] : environment) command += " " + ShellQuoted(name + "=" + value);
    command += " " + ShellQuoted(program.string());
    for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
    return command + " </dev/null >" + ShellQuoted((capture / "out").string()) + " 2>" + ShellQuoted((capture / "err").string());
}

inline ProcessResult ResultOf(int status, const TemporaryFolder& capture) {
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture / "out"), ReadFile(capture / "err")};
}

// Runs in `workingFolder` when one is given; a program still running after
// kProgramTimeLimit is ended and gives timeout's exit code, 124.
inline ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::map<std::string, std::string>& environment = {},
                                const std::filesystem::path& workingFolder = {}) {
    const TemporaryFolder capture;
    const std::string command = "timeout -k 10 " + std::to_string(kProgramTimeLimit.count()) + " " +
                                ShellCommand(program, arguments, environment, capture);
    const std::string changeFolder = workingFolder.empty() ? "" : "cd " + ShellQuoted(workingFolder.string()) + " && ";
    return ResultOf(std::system((changeFolder + command).c_str()), capture);
}

// A program started in the background, for tests that act while it runs,
// with the signals that end programs at their defaults whatever the test
// inherited.
class BackgroundProcess {
public:
    BackgroundProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment = {}) {
        // exec keeps one process, so that signals reach the program itself.
        const std::string command = "exec " + ShellCommand(program, arguments, environment, capture_);
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ > 0) return;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, SIG_DFL);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    ~BackgroundProcess() {
        if (status_) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Waits until the program's standard error holds `text`; false when the
    // program ended first or kProgramTimeLimit passed.
    bool WaitForError(const std::string& text) {
        while (ReadFile(capture_ / "err").find(text) == std::string::npos) {
            if (Ended(WNOHANG) || std::chrono::steady_clock::now() > deadline_) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    void Signal(int signal) const { ::kill(pid_, signal); }

    // The program's end; one still running at kProgramTimeLimit is killed,
    // and gives the exit code -1.
    ProcessResult Finish() {
        while (!Ended(WNOHANG)) {
            if (std::chrono::steady_clock::now() > deadline_) ::kill(pid_, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return ResultOf(*status_, capture_);
    }

private:
    bool Ended(int options) {
        int status = 0;
        if (!status_ && ::waitpid(pid_, &status, options) == pid_) status_ = status;
        return status_.has_value();
    }

    TemporaryFolder capture_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now() + kProgramTimeLimit;
    pid_t pid_ = -1;
    std::optional<int> status_;
};
