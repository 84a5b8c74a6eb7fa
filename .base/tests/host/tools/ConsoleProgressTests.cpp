// The progress bar as a person sees it on a terminal; the line format for
// scripts is checked through kvimport itself.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConsoleProgress.h"

using kvimport::ConsoleProgress;
using kvimport::ProgressMode;

TEST(ConsoleProgressBar, RedrawsOneClampedLineThatFitsTheTerminal) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = ::open_memstream(&buffer, &size);
    // What the terminal shows: the text after the last carriage return.
    const auto lastDraw = [&] {
        std::fflush(file);
        return std::string(buffer, size).substr(std::string_view(buffer, size).rfind('\r') + 1);
    };
    {
        ConsoleProgress progress(file, ProgressMode::Bar, std::nullopt, 46);
        progress.SetPercent(160.0);
        progress.SetMessage("Größe Größe Größe Größe");
        // 45 usable columns: a 38-column head and the first seven characters.
        EXPECT_EQ(lastDraw(), "[##############################] 100% Größe G");

        // A shorter message must blank out, character for character, the rest of the longer one.
        progress.SetPercent(40.0);
        progress.SetMessage("Done");
        EXPECT_EQ(lastDraw(), "[############..................]  40% Done   ");
    }
    std::fclose(file);
    std::free(buffer);
}
