// The progress bar as a person sees it on a terminal.

#include <gmock/gmock.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "ConsoleProgress.h"

using namespace kvimport;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// Captures what the progress writes into an anonymous file.
class CapturedStream {
public:
    CapturedStream() : file_(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(file_); }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* File() { return file_; }
    std::string Text() {
        std::fflush(file_);
        std::string text(static_cast<std::size_t>(std::ftell(file_)), '\0');
        std::rewind(file_);
        text.resize(std::fread(text.data(), 1, text.size(), file_));
        std::fseek(file_, 0, SEEK_END);
        return text;
    }

private:
    std::FILE* file_;
};

// The line as the terminal shows it: what follows the last carriage return.
std::string VisibleLine(const std::string& text) {
    const std::size_t lastReturn = text.rfind('\r');
    std::string line = lastReturn == std::string::npos ? text : text.substr(lastReturn + 1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n')) line.pop_back();
    return line;
}

}  // namespace

TEST(ConsoleProgressBar, RedrawsOneLineWithPercentAndMessageAndEndsItOnFinish) {
    CapturedStream stream;
    ConsoleProgress progress(stream.File(), ProgressMode::Bar, std::nullopt, 80);
    progress.SetPercent(40);
    progress.SetMessage("Parsing nodes...");
    const std::string drawn = stream.Text();
    EXPECT_THAT(drawn, StartsWith("\r"));
    EXPECT_THAT(drawn, Not(HasSubstr("\n")));
    EXPECT_EQ(VisibleLine(drawn), "[############..................]  40% Parsing nodes...");

    progress.Finish();
    EXPECT_THAT(stream.Text(), EndsWith("\n"));
    progress.Finish();
    EXPECT_THAT(stream.Text(), Not(EndsWith("\n\n")));
}

TEST(ConsoleProgressBar, ShowsOutOfRangePercentagesWithinTheBar) {
    CapturedStream stream;
    ConsoleProgress progress(stream.File(), ProgressMode::Bar, std::nullopt, 80);
    progress.SetPercent(160.0);
    EXPECT_THAT(VisibleLine(stream.Text()), StartsWith("[##############################] 100%"));
    progress.SetPercent(-5.0);
    EXPECT_THAT(VisibleLine(stream.Text()), StartsWith("[..............................]   0%"));
    progress.SetPercent(std::numeric_limits<double>::quiet_NaN());
    EXPECT_THAT(VisibleLine(stream.Text()), StartsWith("[..............................]   0%"));
}

TEST(ConsoleProgressBar, ClearsLeftoversOfALongerLineAndSkipsIdenticalRedraws) {
    CapturedStream stream;
    ConsoleProgress progress(stream.File(), ProgressMode::Bar, std::nullopt, 80);
    progress.SetMessage("Building mesh Teapot face: 100 of 2000...");
    progress.SetMessage("Cleaning up...");
    const std::string text = stream.Text();
    const std::string lastDraw = text.substr(text.rfind('\r'));
    EXPECT_EQ(lastDraw.size(), text.size() - lastDraw.size()) << "the shorter line is padded over the longer one";

    progress.SetMessage("Cleaning up...");
    EXPECT_EQ(stream.Text(), text);
}

TEST(ConsoleProgressBar, FitsTheTerminalWithoutSplittingCharacters) {
    CapturedStream stream;
    ConsoleProgress progress(stream.File(), ProgressMode::Bar, std::nullopt, 46);
    progress.SetMessage("Größe Größe Größe Größe");
    const std::string line = VisibleLine(stream.Text());
    // 45 usable columns: a 38-column head and the first seven characters.
    EXPECT_EQ(line, "[..............................]   0% Größe G");
}

TEST(ConsoleProgressLines, OneLinePerCallEvenForMessagesWithLineBreaks) {
    CapturedStream stream;
    ConsoleProgress progress(stream.File(), ProgressMode::Lines, std::nullopt, 80);
    progress.SetPercent(0.30000000000000004);
    progress.SetMessage("two\nlines\r");
    progress.SetSecondaryMessage(nullptr);
    progress.SetPercent(std::numeric_limits<double>::infinity());
    progress.Finish();
    EXPECT_EQ(stream.Text(), "percent 0.30000000000000004\nmessage two lines \nsecondary-message \npercent inf\n");
}

TEST(ConsoleProgressNone, WritesNothing) {
    CapturedStream stream;
    {
        ConsoleProgress progress(stream.File(), ProgressMode::None, std::nullopt, 80);
        progress.SetPercent(50);
        progress.SetMessage("hidden");
    }
    EXPECT_EQ(stream.Text(), "");
}

TEST(ConsoleProgressCancellation, AnswersGoOnForTheFirstNChecksOnly) {
    ConsoleProgress never(stdout, ProgressMode::None, std::nullopt, 80);
    for (int check = 0; check < 100; ++check) EXPECT_FALSE(never.IsCancelled());

    ConsoleProgress atOnce(stdout, ProgressMode::None, 0, 80);
    EXPECT_TRUE(atOnce.IsCancelled());
    EXPECT_TRUE(atOnce.IsCancelled());

    ConsoleProgress afterTwo(stdout, ProgressMode::None, 2, 80);
    EXPECT_FALSE(afterTwo.IsCancelled());
    EXPECT_FALSE(afterTwo.IsCancelled());
    EXPECT_TRUE(afterTwo.IsCancelled());
    EXPECT_TRUE(afterTwo.IsCancelled());
}

TEST(ExactNumberText, ReadsBackAsTheSameDouble) {
    for (const double value : {0.1, 1.0 / 3.0, 100.0, 40.0 + 60.0 * (7.0 / 9.0), 1e-310, -0.0}) {
        EXPECT_EQ(std::strtod(ExactNumberText(value).c_str(), nullptr), value) << ExactNumberText(value);
    }
    EXPECT_EQ(ExactNumberText(25.0), "25");
}
