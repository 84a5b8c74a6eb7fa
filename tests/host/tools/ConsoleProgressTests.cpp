// The progress bar as a person sees it on a terminal; the line format for
// scripts is checked through kvimport itself.

#include <gmock/gmock.h>

#include <cstdio>
#include <limits>
#include <string>

#include "ConsoleProgress.h"

using kvimport::ConsoleProgress;
using kvimport::ProgressMode;
using ::testing::EndsWith;
using ::testing::StartsWith;

namespace {

class ConsoleProgressBar : public ::testing::Test {
protected:
    ~ConsoleProgressBar() override { std::fclose(file_); }

    std::string Written() {
        std::fflush(file_);
        std::string text(static_cast<std::size_t>(std::ftell(file_)), '\0');
        std::rewind(file_);
        text.resize(std::fread(text.data(), 1, text.size(), file_));
        return text;
    }

    // What the terminal shows: the text after the last carriage return.
    std::string Visible() {
        const std::string text = Written();
        std::string line = text.substr(text.rfind('\r') + 1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\n')) line.pop_back();
        return line;
    }

    std::FILE* file_ = std::tmpfile();
};

}  // namespace

TEST_F(ConsoleProgressBar, RedrawsOneLineAndEndsItOnFinish) {
    ConsoleProgress progress(file_, ProgressMode::Bar, std::nullopt, 80);
    progress.SetPercent(40);
    progress.SetMessage("Building mesh Teapot face: 100 of 2000...");
    EXPECT_EQ(Visible(), "[############..................]  40% Building mesh Teapot face: 100 of 2000...");

    // A shorter message must blank out the rest of the longer one.
    progress.SetMessage("Cleaning up...");
    const std::string text = Written();
    const std::size_t lastDraw = text.rfind('\r');
    EXPECT_EQ(text.size() - lastDraw, lastDraw - text.rfind('\r', lastDraw - 1));
    progress.SetMessage("Cleaning up...");
    EXPECT_EQ(Written(), text) << "an unchanged line is not redrawn";

    progress.Finish();
    progress.Finish();
    EXPECT_THAT(Written(), EndsWith(" \n"));
    EXPECT_EQ(Written().find('\n'), Written().size() - 1);
}

TEST_F(ConsoleProgressBar, KeepsOutOfRangePercentagesWithinTheBar) {
    ConsoleProgress progress(file_, ProgressMode::Bar, std::nullopt, 80);
    progress.SetPercent(160.0);
    EXPECT_THAT(Visible(), StartsWith("[##############################] 100%"));
    progress.SetPercent(-5.0);
    EXPECT_THAT(Visible(), StartsWith("[..............................]   0%"));
    progress.SetPercent(std::numeric_limits<double>::quiet_NaN());
    EXPECT_THAT(Visible(), StartsWith("[..............................]   0%"));
}

TEST_F(ConsoleProgressBar, FitsTheTerminalWithoutSplittingCharacters) {
    ConsoleProgress progress(file_, ProgressMode::Bar, std::nullopt, 46);
    progress.SetMessage("Größe Größe Größe Größe");
    // 45 usable columns: a 38-column head and the first seven characters.
    EXPECT_EQ(Visible(), "[..............................]   0% Größe G");
}
