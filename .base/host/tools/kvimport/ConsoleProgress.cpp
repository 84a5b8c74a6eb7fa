#include "ConsoleProgress.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Interruption.h"
#include "TerminalText.h"

namespace kvimport {

namespace {

constexpr int kBarCells = 30;
constexpr int kDefaultColumns = 80;

// A message with a line break would break the one-line-per-call format.
std::string OnOneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return PrintableText(text);
}

bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Cuts UTF-8 text to at most `columns` characters, never inside one.
std::string FitColumns(const std::string& text, int columns) {
    int characters = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (IsUtf8Continuation(text[index])) continue;
        if (characters == columns) return text.substr(0, index);
        ++characters;
    }
    return text;
}

std::size_t CharacterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !IsUtf8Continuation(c); }));
}

}  // namespace

int TerminalColumns(int descriptor) {
    winsize size{};
    if (::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

std::string ExactNumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

ConsoleProgress::ConsoleProgress(std::FILE* stream, ProgressMode mode, std::optional<std::uint64_t> cancelAfter,
                                 int terminalColumns)
    : stream_(stream), mode_(mode), cancelAfter_(cancelAfter), terminalColumns_(terminalColumns) {}

ConsoleProgress::~ConsoleProgress() {
    Finish();
}

bool ConsoleProgress::IsCancelled() {
    ++cancellationChecks_;
    cancelled_ = cancelled_ || kvhost::CaughtInterruption() != 0 || (cancelAfter_ && cancellationChecks_ > *cancelAfter_);
    return cancelled_;
}

void ConsoleProgress::SetPercent(double percent) {
    if (mode_ == ProgressMode::Lines) WriteLine("percent", ExactNumberText(percent));
    percent_ = percent;
    if (mode_ == ProgressMode::Bar) DrawBar();
}

void ConsoleProgress::SetSecondaryPercent(double percent) {
    if (mode_ == ProgressMode::Lines) WriteLine("secondary-percent", ExactNumberText(percent));
}

void ConsoleProgress::SetSecondaryMessage(const char* utf8Text) {
    if (mode_ == ProgressMode::Lines) WriteLine("secondary-message", utf8Text != nullptr ? utf8Text : "");
}

void ConsoleProgress::SetMessage(const std::string& utf8Message) {
    if (mode_ == ProgressMode::Lines) WriteLine("message", utf8Message);
    message_ = OnOneLine(utf8Message);
    if (mode_ == ProgressMode::Bar) DrawBar();
}

void ConsoleProgress::Finish() {
    if (drawnLine_.empty()) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawnLine_.clear();
}

void ConsoleProgress::WriteLine(const char* kind, const std::string& text) {
    std::fprintf(stream_, "%s %s\n", kind, OnOneLine(text).c_str());
    std::fflush(stream_);
}

void ConsoleProgress::DrawBar() {
    // Importers may send percentages past 100 or not a number at all.
    const double shown = std::isnan(percent_) ? 0.0 : std::clamp(percent_, 0.0, 100.0);
    const int filled = static_cast<int>(shown / 100.0 * kBarCells);
    char head[64];
    std::snprintf(head, sizeof head, "[%s%s] %3d%% ", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                  std::string(static_cast<std::size_t>(kBarCells - filled), '.').c_str(), static_cast<int>(shown));
    // The last column stays free: writing into it wraps on some terminals.
    const int room = std::max(0, terminalColumns_ - 1 - static_cast<int>(std::string_view(head).size()));
    const std::string line = FitColumns(std::string(head) + FitColumns(message_, room), terminalColumns_ - 1);
    if (line == drawnLine_) return;

    const std::size_t oldLength = CharacterCount(drawnLine_);
    const std::size_t newLength = CharacterCount(line);
    const std::string padding(oldLength > newLength ? oldLength - newLength : 0, ' ');
    std::fprintf(stream_, "\r%s%s", line.c_str(), padding.c_str());
    std::fflush(stream_);
    drawnLine_ = line;
}

}  // namespace kvimport
