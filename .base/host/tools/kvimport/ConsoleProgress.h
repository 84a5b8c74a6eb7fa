#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "HostProgressCallback.h"

namespace kvimport {

// The host's progress callback for one conversion, shown on a console
// stream: a redrawn bar, one line per call, or nothing. Messages are shown
// as PrintableText. It answers "cancel" once SIGINT or SIGTERM was caught.
class ConsoleProgress final : public HostProgressCallback {
public:
    // cancelAfter: the number of IsCancelled calls answered "go on" before
    // every further one answers "cancel"; absent, only a signal cancels.
    ConsoleProgress(std::FILE* stream, ProgressMode mode, std::optional<std::uint64_t> cancelAfter,
                    int terminalColumns);
    ~ConsoleProgress();
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    bool IsCancelled() override;
    void SetPercent(double percent) override;
    void SetSecondaryPercent(double percent) override;
    void SetSecondaryMessage(const char* utf8Text) override;
    void SetMessage(const std::string& utf8Message) override;

    // Ends the bar's line so that later output starts on a fresh one.
    void Finish();

    // True once IsCancelled has answered "cancel".
    bool WasCancelled() const { return cancelled_; }

private:
    void WriteLine(const char* kind, const std::string& text);
    void DrawBar();

    std::FILE* stream_;
    ProgressMode mode_;
    std::optional<std::uint64_t> cancelAfter_;
    int terminalColumns_;
    std::uint64_t cancellationChecks_ = 0;
    bool cancelled_ = false;
    double percent_ = 0.0;
    std::string message_;
    std::string drawnLine_;
};

// The width of the terminal on the descriptor, or 80 when unknown.
int TerminalColumns(int descriptor);

// The shortest text that reads back as exactly the same double.
std::string ExactNumberText(double value);

}  // namespace kvimport
