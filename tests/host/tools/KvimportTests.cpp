// kvimport run as a user or a script runs it, with a scripted test importer
// (see TestImporter.cpp) that writes down everything it was handed.

#include <gmock/gmock.h>

#include <sstream>

#include "ProcessRunner.h"

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

using Arguments = std::vector<std::string>;

class KvimportTest : public ::testing::Test {
protected:
    std::filesystem::path Dir() const { return folder_.Path(); }

    std::string Script(const std::string& name, const std::string& content) const {
        WriteFile(Dir() / name, content);
        return (Dir() / name).string();
    }

    std::string Out(const std::string& name) const { return (Dir() / name).string(); }

    ProcessResult Kvimport(Arguments arguments, bool withTestImporter = true) const {
        if (withTestImporter) arguments.insert(arguments.begin(), {"--plugin", KV_TEST_IMPORTER});
        // The store is pointed here so that no test touches the user's settings.
        return RunProcess(KV_KVIMPORT, arguments, {{"XDG_CONFIG_HOME", Out("config")}});
    }

    static std::vector<std::string> Record(const std::string& model, const std::string& prefix = "") {
        std::vector<std::string> lines;
        std::istringstream stream(ReadFile(model));
        for (std::string line; std::getline(stream, line);) {
            if (line.starts_with(prefix)) lines.push_back(line);
        }
        return lines;
    }

private:
    TemporaryFolder folder_;
};

std::vector<std::filesystem::path> RealModels(std::size_t count) {
    std::vector<std::filesystem::path> models;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/assimp/models/3DS", error)) {
        if (entry.path().extension() == ".3ds") models.push_back(entry.path());
    }
    std::sort(models.begin(), models.end());
    models.resize(std::min(count, models.size()));
    return models;
}

}  // namespace

TEST_F(KvimportTest, OptionFlagsBecomeTypedEntriesAndAbsentFlagsLeaveKeysOut) {
    const std::string input = Script("in.3ds", "");
    const std::vector<std::pair<Arguments, std::vector<std::string>>> cases = {
        {{}, {}},
        {{"--units", "Model Units"}, {"option ImportUnits 4 0"}},
        {{"--units=model"}, {"option ImportUnits 4 0"}},
        {{"--units", "yArDs"}, {"option ImportUnits 4 3"}},
        {{"--units", "KILOMETERS"}, {"option ImportUnits 4 8"}},
        {{"--units", "6"}, {"option ImportUnits 4 6"}},
        {{"--merge"}, {"option ImportMergeCoplanarFaces 1 true"}},
        {{"--merge", "--no-merge"}, {"option ImportMergeCoplanarFaces 1 false"}},
        {{"--units", "meters", "--merge"}, {"option ImportMergeCoplanarFaces 1 true", "option ImportUnits 4 7"}},
    };
    for (const auto& [flags, expected] : cases) {
        Arguments arguments = {input, Out("out.kvm")};
        arguments.insert(arguments.begin() + 1, flags.begin(), flags.end());  // flags may sit between the files
        const ProcessResult result = Kvimport(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Record(Out("out.kvm"), "option "), expected) << ::testing::PrintToString(flags);
        EXPECT_THAT(Record(Out("out.kvm")), Contains("options set"));
    }
}

TEST_F(KvimportTest, ProgressLinesListEveryCallInOrderWithExactValues) {
    const std::string calls =
        "percent 10\nmessage Parsing file...\npercent 0.1\npercent 33.333333333333336\npercent -1e-300\n"
        "message Größe %s: 1 of 3...\nsecondary-percent 50\nsecondary-message inner\nmessage \npercent 140.25\n";
    const std::string input = Script("progress.3ds", calls);
    ProcessResult result = Kvimport({"--progress=lines", input, Out("out.kvm")});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, calls);

    result = Kvimport({"--progress", "none", input, Out("out.kvm")});
    EXPECT_EQ(result.err, "");
    result = Kvimport({input, Out("out.kvm")});
    EXPECT_EQ(result.err, "") << "no bar when standard error is not a terminal";
}

TEST_F(KvimportTest, CancelAfterNLetsTheFirstNChecksOfEachFileGoOn) {
    const std::string input = Script("cancel.3ds", "check\ncheck\ncheck\ncheck\n");
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{"--cancel-after", "0"}, "cancelled at check 1"},
        {{"--cancel-after=2"}, "cancelled at check 3"},
        {{"--cancel-after", "4"}, "checks 4"},
        {{}, "checks 4"},
    };
    for (const auto& [flags, expected] : cases) {
        Arguments arguments = flags;
        arguments.insert(arguments.end(), {"-o", Out("out"), input, Script("again.3ds", ReadFile(input))});
        ASSERT_EQ(Kvimport(arguments).exitCode, 0);
        EXPECT_THAT(Record(Out("out/cancel.kvm")), Contains(expected));
        EXPECT_THAT(Record(Out("out/again.kvm")), Contains(expected));
    }
}

TEST_F(KvimportTest, BatchConvertsEveryInputWithOneImporterIntoACreatedFolder) {
    const std::string alpha = Script("alpha.3ds", "");
    const std::string beta = Script("beta.v2.3ds", "");
    const std::string gamma = Script("gamma", "");
    const ProcessResult result = Kvimport({"-o", Out("nested/out"), alpha, beta, gamma});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int conversion = 0;
    for (const std::string name : {"alpha", "beta.v2", "gamma"}) {
        const std::string model = Out("nested/out/" + name + ".kvm");
        EXPECT_THAT(Record(model), AllOf(Contains("conversion " + std::to_string(++conversion)),
                                         Contains("entry-calls 1"), Contains("importers 1")));
    }
    EXPECT_EQ(result.out, "summary 1: Imported " + alpha + "\nsummary 2: Imported " + beta +
                              "\nsummary 3: Imported " + gamma + "\n");
}

TEST_F(KvimportTest, BatchNamesModelsAfterRealInputFiles) {
    const auto models = RealModels(3);
    if (models.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
    Arguments arguments = {"-o", Out("real")};
    for (const auto& model : models) arguments.push_back(model.string());
    ASSERT_EQ(Kvimport(arguments).exitCode, 0);
    for (const auto& model : models) {
        EXPECT_THAT(Record(Out("real/" + model.stem().string() + ".kvm")), Contains("input " + model.string()));
    }
}

TEST_F(KvimportTest, BatchGoesOnAfterFailuresAndExitsOne) {
    const std::string bad = Script("bad.3ds", "fail\n");
    const std::string missing = Out("missing.3ds");
    const ProcessResult result = Kvimport({"-o", Out("out"), Script("good.3ds", ""), bad, missing, Script("late.3ds", "")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(Record(Out("out/good.kvm")), Contains("conversion 1"));
    EXPECT_THAT(Record(Out("out/late.kvm")), Contains("conversion 4"));
    EXPECT_THAT(result.err, AllOf(HasSubstr("could not convert " + bad), HasSubstr("could not convert " + missing)));
    EXPECT_THAT(result.out, HasSubstr("Could not open file: " + missing)) << "the importer reports a bad path";
}

TEST_F(KvimportTest, AModelFileThatWasNotWrittenFailsNamingThePathAndReason) {
    std::filesystem::create_directories(Out("folder.kvm"));
    WriteFile(Out("old.kvm"), "old model");
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"nowrite\n", Out("never.kvm"), "cannot write " + Out("never.kvm") + ": the importer wrote no file there"},
        {"nowrite\n", Out("old.kvm"), "cannot write " + Out("old.kvm") + ": the importer left the existing file unchanged"},
        {"", Out("no/such/f.kvm"), "cannot write " + Out("no/such/f.kvm") + ": the folder " + Out("no/such") + " does not exist"},
        {"", Out("folder.kvm"), "cannot write " + Out("folder.kvm") + ": it is a folder"},
        {"throw\n", Out("thrown.kvm"), "the importer failed on " + Out("in.3ds") + ": scripted failure"},
    };
    for (const auto& [script, output, message] : cases) {
        const ProcessResult result = Kvimport({Script("in.3ds", script), output});
        EXPECT_EQ(result.exitCode, 1) << output;
        EXPECT_THAT(result.err, HasSubstr(message));
    }
    EXPECT_EQ(ReadFile(Out("old.kvm")), "old model");
}

TEST_F(KvimportTest, UsageErrorsExitTwoWithAHintAndConvertNothing) {
    const std::string in = Script("in.3ds", "");
    const std::string out = Out("out.kvm");
    std::filesystem::create_directories(Dir() / "a");
    std::filesystem::create_directories(Dir() / "b");
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{}, "missing input and output files"},
        {{in}, "missing output file"},
        {{in, out, out}, "too many files"},
        {{"-o", Out("dir")}, "missing input files"},
        {{"--frobnicate", in, out}, "unknown option --frobnicate"},
        {{"-x", in, out}, "unknown option -x"},
        {{"--merge=yes", in, out}, "option --merge=yes takes no value"},
        {{in, out, "--units"}, "option --units needs a value"},
        {{"--units", "furlongs", in, out}, "unknown unit \"furlongs\""},
        {{"--units", "9", in, out}, "unknown unit \"9\""},
        {{"--units", "-1", in, out}, "unknown unit \"-1\""},
        {{"--progress=fancy", in, out}, "unknown progress mode \"fancy\""},
        {{"--cancel-after", "-1", in, out}, "--cancel-after needs a number"},
        {{"-o", Out("dir"), Script("a/same.3ds", ""), Script("b/same.3ds", "")}, "both be written to"},
    };
    for (const auto& [arguments, message] : cases) {
        const ProcessResult result = Kvimport(arguments);
        EXPECT_EQ(result.exitCode, 2) << message;
        EXPECT_THAT(result.err, AllOf(HasSubstr(message), HasSubstr("kvimport --help")));
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(Out("dir")));
}

TEST_F(KvimportTest, APluginThatCannotBeLoadedExitsOneWithTheLoadersReason) {
    const Arguments files = {Script("in.3ds", ""), Out("out.kvm")};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Out("NoSuchImporter.so"), "No such file or directory"},
        {Script("text.so", "not a library"), "cannot load the importer plug-in " + Out("text.so")},
        {KV_LIBRARY_WITHOUT_IMPORTER, "is not an importer plug-in"},
    };
    for (const auto& [plugin, message] : cases) {
        Arguments arguments = {"--plugin", plugin};
        arguments.insert(arguments.end(), files.begin(), files.end());
        const ProcessResult result = Kvimport(arguments, false);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.err, HasSubstr(message));
    }
    EXPECT_FALSE(std::filesystem::exists(Out("out.kvm")));
}

TEST_F(KvimportTest, ThePluginBesideTheProgramIsTheDefault) {
    const auto plugin = std::filesystem::path(KV_KVIMPORT).parent_path() / "Plugins" / "3DSImporter.so";
    const auto models = RealModels(1);
    if (!std::filesystem::exists(plugin) || models.empty()) GTEST_SKIP() << "no built plug-in or no real model";
    const ProcessResult result = Kvimport({"--progress=lines", models[0].string(), Out("real.kvm")}, false);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(ReadFile(Out("real.kvm")), StartsWith("glTF"));
    EXPECT_THAT(result.err, StartsWith("percent 10\nmessage Parsing file...\n"));
}

TEST_F(KvimportTest, HelpDocumentsEveryOptionAndTheExitStatus) {
    for (const std::string flag : {"--help", "-h"}) {
        const ProcessResult result = Kvimport({flag}, false);
        EXPECT_EQ(result.exitCode, 0);
        for (const std::string topic : {"--units", "Kilometers", "--merge", "--no-merge", "--progress", "lines",
                                        "--cancel-after", "--plugin", "-o", "Exit status"}) {
            EXPECT_THAT(result.out, HasSubstr(topic));
        }
    }
}
