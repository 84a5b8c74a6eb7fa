// kvimport's runs as a whole: batches, exit status, plug-in loading, help.

#include <gmock/gmock.h>

#include "KvimportTestSupport.h"

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::vector<std::filesystem::path> RealModels(std::size_t count) {
    std::vector<std::filesystem::path> models;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/assimp/models/3DS", error)) {
        if (entry.path().extension() == ".3ds" || entry.path().extension() == ".3DS") models.push_back(entry.path());
    }
    std::sort(models.begin(), models.end());
    if (models.size() > count) models.resize(count);
    return models;
}

}  // namespace

TEST_F(KvimportTest, SuccessExitsZeroQuietlyAndThePluginPrintsItsReport) {
    const auto input = Script("ok.3ds", "percent 50\n");
    const auto output = Dir() / "ok.kvm";
    const ProcessResult result = Kvimport({input.string(), output.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "summary 1: Imported " + input.string() + "\n");
    EXPECT_THAT(Record(output), AllOf(Contains("input " + input.string()), Contains("output " + output.string()),
                                      Contains("progress set"), Contains("conversion 1")));
}

TEST_F(KvimportTest, BatchConvertsEveryInputWithOneImporterIntoACreatedFolder) {
    const auto alpha = Script("alpha.3ds", "");
    const auto beta = Script("beta.v2.3ds", "");
    const auto gamma = Script("gamma", "");
    const auto out = Dir() / "nested" / "out";
    const ProcessResult result =
        Kvimport({"-o", out.string(), "--units", "meters", alpha.string(), beta.string(), gamma.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const std::vector<std::pair<std::filesystem::path, std::string>> expected = {
        {out / "alpha.kvm", "conversion 1"}, {out / "beta.v2.kvm", "conversion 2"}, {out / "gamma.kvm", "conversion 3"}};
    for (const auto& [model, conversion] : expected) {
        const auto record = Record(model);
        EXPECT_THAT(record, Contains(conversion)) << model;
        EXPECT_THAT(record, Contains("entry-calls 1")) << model;
        EXPECT_THAT(record, Contains("importers 1")) << model;
        EXPECT_THAT(record, Contains("option ImportUnits 4 7")) << model;
    }
    EXPECT_EQ(result.out, "summary 1: Imported " + alpha.string() + "\nsummary 2: Imported " + beta.string() +
                              "\nsummary 3: Imported " + gamma.string() + "\n");
}

TEST_F(KvimportTest, BatchNamesModelsAfterRealInputFiles) {
    const auto models = RealModels(3);
    if (models.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
    std::vector<std::string> arguments = {"-o", (Dir() / "real").string()};
    for (const auto& model : models) arguments.push_back(model.string());
    const ProcessResult result = Kvimport(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const auto& model : models) {
        const auto written = Dir() / "real" / (model.stem().string() + ".kvm");
        EXPECT_THAT(Record(written), Contains("input " + model.string()));
    }
}

TEST_F(KvimportTest, BatchRefusesTwoInputsThatWouldWriteTheSameModel) {
    std::filesystem::create_directories(Dir() / "a");
    std::filesystem::create_directories(Dir() / "b");
    const auto first = Script("a/same.3ds", "");
    const auto second = Script("b/same.3ds", "");
    const ProcessResult result = Kvimport({"-o", (Dir() / "out").string(), first.string(), second.string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("same.kvm"));
    EXPECT_FALSE(std::filesystem::exists(Dir() / "out" / "same.kvm"));
}

TEST_F(KvimportTest, BatchGoesOnAfterAFailureAndExitsOne) {
    const auto good = Script("good.3ds", "");
    const auto bad = Script("bad.3ds", "fail\n");
    const auto missing = Dir() / "missing.3ds";
    const auto late = Script("late.3ds", "");
    const auto out = Dir() / "out";
    const ProcessResult result =
        Kvimport({"-o", out.string(), good.string(), bad.string(), missing.string(), late.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(out / "good.kvm"));
    EXPECT_TRUE(std::filesystem::exists(out / "late.kvm"));
    EXPECT_THAT(Record(out / "late.kvm"), Contains("conversion 4"));
    EXPECT_THAT(result.err, HasSubstr("could not convert " + bad.string()));
    EXPECT_THAT(result.err, HasSubstr("could not convert " + missing.string()));
    // The importer's own report names the missing file.
    EXPECT_THAT(result.out, HasSubstr("Could not open file: " + missing.string()));
}

TEST_F(KvimportTest, BatchIntoAPathThatIsAFileFails) {
    const auto input = Script("in.3ds", "");
    WriteFile(Dir() / "occupied", "x");
    const ProcessResult result = Kvimport({"-o", (Dir() / "occupied").string(), input.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr((Dir() / "occupied").string()));
}

TEST_F(KvimportTest, AModelFileThatWasNotWrittenFailsNamingThePathAndReason) {
    struct Case {
        std::string script;
        std::filesystem::path output;
        std::string reason;
    };
    std::filesystem::create_directories(Dir() / "folder.kvm");
    WriteFile(Dir() / "old.kvm", "old model");
    const std::vector<Case> cases = {
        {"nowrite\n", Dir() / "never.kvm", "the importer wrote no file there"},
        {"nowrite\n", Dir() / "old.kvm", "the importer left the existing file unchanged"},
        {"", Dir() / "no" / "such" / "folder.kvm", "the folder " + (Dir() / "no" / "such").string() + " does not exist"},
        {"", Dir() / "folder.kvm", "it is a folder"},
    };
    for (const Case& c : cases) {
        const auto input = Script("write.3ds", c.script);
        const ProcessResult result = Kvimport({input.string(), c.output.string()});
        EXPECT_EQ(result.exitCode, 1) << c.output;
        EXPECT_THAT(result.err, HasSubstr("cannot write " + c.output.string() + ": " + c.reason));
    }
    EXPECT_EQ(ReadFile(Dir() / "old.kvm"), "old model");
}

TEST_F(KvimportTest, FailuresOfTheImporterExitOne) {
    const auto failing = Script("failing.3ds", "fail\n");
    const ProcessResult failed = Kvimport({failing.string(), (Dir() / "failing.kvm").string()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_THAT(failed.err, HasSubstr("could not convert " + failing.string()));

    const auto throwing = Script("throwing.3ds", "throw\n");
    const ProcessResult thrown = Kvimport({throwing.string(), (Dir() / "throwing.kvm").string()});
    EXPECT_EQ(thrown.exitCode, 1);
    EXPECT_THAT(thrown.err, HasSubstr("scripted failure"));

    const ProcessResult missing = Kvimport({(Dir() / "nothing.3ds").string(), (Dir() / "nothing.kvm").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.out, HasSubstr("Could not open file"));
}

TEST_F(KvimportTest, UsageErrorsExitTwoWithAHint) {
    const std::string in = Script("in.3ds", "").string();
    const std::string out = (Dir() / "out.kvm").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "missing input and output files"},
        {{in}, "missing output file"},
        {{in, out, out}, "too many files"},
        {{"--frobnicate", in, out}, "unknown option --frobnicate"},
        {{"-x", in, out}, "unknown option -x"},
        {{"--merge=yes", in, out}, "option --merge=yes takes no value"},
        {{in, out, "--units"}, "option --units needs a value"},
        {{in, "-o"}, "option -o needs a value"},
        {{"-o", (Dir() / "dir").string()}, "missing input files"},
    };
    for (const auto& [arguments, message] : cases) {
        const ProcessResult result = Kvimport(arguments);
        EXPECT_EQ(result.exitCode, 2) << message;
        EXPECT_THAT(result.err, AllOf(HasSubstr(message), HasSubstr("kvimport --help"))) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(KvimportTest, APluginThatCannotBeLoadedExitsOneWithTheLoadersReason) {
    const auto input = Script("in.3ds", "").string();
    const auto output = (Dir() / "out.kvm").string();

    const auto missing = Dir() / "NoSuchImporter.so";
    ProcessResult result = KvimportWithoutPlugin({"--plugin", missing.string(), input, output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, AllOf(HasSubstr("cannot load the importer plug-in " + missing.string()),
                                  HasSubstr("No such file or directory")));

    const auto notALibrary = Script("text.so", "not a shared library");
    result = KvimportWithoutPlugin({"--plugin", notALibrary.string(), input, output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot load the importer plug-in"));

    result = KvimportWithoutPlugin({"--plugin", KV_LIBRARY_WITHOUT_IMPORTER, input, output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, AllOf(HasSubstr("is not an importer plug-in"), HasSubstr("GetKorvantaModelImporterInterface")));
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(KvimportTest, ThePluginBesideTheProgramIsTheDefault) {
    const std::filesystem::path installed = std::filesystem::path(KV_KVIMPORT).parent_path() / "Plugins" / "3DSImporter.so";
    if (!std::filesystem::exists(installed)) GTEST_SKIP() << "the 3DS importer plug-in is not built";
    const auto models = RealModels(1);
    if (models.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
    const auto output = Dir() / "real.kvm";
    const ProcessResult result = KvimportWithoutPlugin({"--progress=lines", models[0].string(), output.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(ReadFile(output), StartsWith("glTF"));
    EXPECT_THAT(result.err, StartsWith("percent 10\nmessage Parsing file...\n"));
}

TEST_F(KvimportTest, HelpDocumentsEveryOptionAndTheExitStatus) {
    for (const std::string flag : {"--help", "-h"}) {
        const ProcessResult result = KvimportWithoutPlugin({flag});
        EXPECT_EQ(result.exitCode, 0);
        for (const std::string topic : {"--units", "Kilometers", "--merge", "--no-merge", "--progress", "lines",
                                        "--cancel-after", "--plugin", "-o", "Exit status"}) {
            EXPECT_THAT(result.out, HasSubstr(topic)) << flag;
        }
    }
}
