// Progress as kvimport shows it to scripts, and cancellation from the command line.

#include <gmock/gmock.h>

#include "KvimportTestSupport.h"

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(KvimportTest, ProgressLinesListEveryCallInOrderWithExactValues) {
    const auto input = Script("progress.3ds",
                              "percent 10\n"
                              "message Parsing file...\n"
                              "percent 0.1\n"
                              "percent 33.333333333333336\n"
                              "percent 140.25\n"
                              "message Größe %s: 1 of 3...\n"
                              "percent -1e-300\n"
                              "secondary-percent 50\n"
                              "secondary-message inner step\n"
                              "message \n"
                              "percent 99\n");
    const ProcessResult result =
        Kvimport({"--progress=lines", input.string(), (Dir() / "progress.kvm").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err,
              "percent 10\n"
              "message Parsing file...\n"
              "percent 0.1\n"
              "percent 33.333333333333336\n"
              "percent 140.25\n"
              "message Größe %s: 1 of 3...\n"
              "percent -1e-300\n"
              "secondary-percent 50\n"
              "secondary-message inner step\n"
              "message \n"
              "percent 99\n");
}

TEST_F(KvimportTest, ProgressModeMayFollowAsSeparateArgument) {
    const auto input = Script("separate.3ds", "percent 42\n");
    const ProcessResult result = Kvimport({"--progress", "lines", input.string(), (Dir() / "separate.kvm").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "percent 42\n");
}

TEST_F(KvimportTest, NoProgressWithNoneAndByDefaultWhenNotOnATerminal) {
    const auto input = Script("quiet.3ds", "percent 10\nmessage hello\n");
    for (const std::vector<std::string>& flags : {std::vector<std::string>{"--progress=none"}, {}}) {
        std::vector<std::string> arguments = flags;
        arguments.insert(arguments.end(), {input.string(), (Dir() / "quiet.kvm").string()});
        const ProcessResult result = Kvimport(arguments);
        ASSERT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(KvimportTest, UnknownProgressModeIsAUsageError) {
    const auto input = Script("mode.3ds", "");
    const ProcessResult result = Kvimport({"--progress=fancy", input.string(), (Dir() / "mode.kvm").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("fancy"));
}

TEST_F(KvimportTest, CancelAfterAnswersTheFirstNChecksWithGoOn) {
    const auto input = Script("cancel.3ds", "check\ncheck\ncheck\ncheck\ncheck\n");
    const auto output = Dir() / "cancel.kvm";

    ASSERT_EQ(Kvimport({"--cancel-after", "0", input.string(), output.string()}).exitCode, 0);
    EXPECT_THAT(Record(output), Contains("cancelled at check 1"));

    ASSERT_EQ(Kvimport({"--cancel-after=3", input.string(), output.string()}).exitCode, 0);
    EXPECT_THAT(Record(output), Contains("cancelled at check 4"));

    ASSERT_EQ(Kvimport({"--cancel-after", "5", input.string(), output.string()}).exitCode, 0);
    EXPECT_THAT(Record(output), Contains("checks 5"));
    EXPECT_THAT(Record(output), Not(Contains(HasSubstr("cancelled"))));

    ASSERT_EQ(Kvimport({input.string(), output.string()}).exitCode, 0);
    EXPECT_THAT(Record(output), Contains("checks 5"));
}

TEST_F(KvimportTest, CancelAfterCountsAfreshForEveryFileOfABatch) {
    const auto first = Script("first.3ds", "check\ncheck\ncheck\ncheck\n");
    const auto second = Script("second.3ds", "check\ncheck\ncheck\ncheck\n");
    const auto out = Dir() / "out";
    const ProcessResult result = Kvimport({"--cancel-after", "2", "-o", out.string(), first.string(), second.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(Record(out / "first.kvm"), Contains("cancelled at check 3"));
    EXPECT_THAT(Record(out / "second.kvm"), Contains("cancelled at check 3"));
}

TEST_F(KvimportTest, CancelAfterNeedsANonNegativeCount) {
    const auto input = Script("count.3ds", "");
    for (const std::string count : {"-1", "two", "", "3x"}) {
        const ProcessResult result = Kvimport({"--cancel-after", count, input.string(), (Dir() / "c.kvm").string()});
        EXPECT_EQ(result.exitCode, 2) << count;
    }
}
