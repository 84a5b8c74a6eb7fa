// kvimport run as a user or a script runs it, with a scripted test importer
// (see TestImporter.cpp) that writes down everything it was handed. The real
// plug-in is run through kvimport by the plug-in's own tests.

#include <gmock/gmock.h>

#include <algorithm>
#include <set>

#include "ProcessRunner.h"

using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

using Arguments = std::vector<std::string>;

class KvimportTest : public ::testing::Test {
protected:
    std::string Script(const std::string& name, const std::string& content) const {
        WriteFile(folder_ / name, content);
        return Out(name);
    }

    std::string Out(const std::string& name) const { return (folder_ / name).string(); }

    ProcessResult Kvimport(Arguments arguments, std::map<std::string, std::string> environment = {}) const {
        arguments.insert(arguments.begin(), {"--plugin", KV_TEST_IMPORTER});
        // The store is pointed here so that no test touches the user's settings.
        environment["XDG_CONFIG_HOME"] = Out("config");
        return RunProcess(KV_KVIMPORT, arguments, environment);
    }

    TemporaryFolder folder_;
};

}  // namespace

// The importer is handed every setting, typed: the flags given, the rest
// as stored, so that it reads nothing more from the store.
TEST_F(KvimportTest, OptionFlagsOverTheStoredSettingsAreHandedToTheImporterInFull) {
    const std::string input = Script("in.3ds", "");
    const std::string unset = " ImportAsAuthored:1:false ImportMergeCoplanarFaces:1:false";
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{}, unset + " ImportUnits:4:0 TextureFolders:10:"},
        {{"--units=model"}, unset + " ImportUnits:4:0 TextureFolders:10:"},
        {{"--units", "yArDs", "--as-authored", "--texture-folder", "/srv/maps/", "--texture-folder", "/srv/b"},
         " ImportAsAuthored:1:true ImportMergeCoplanarFaces:1:false ImportUnits:4:3 TextureFolders:10:[/srv/maps][/srv/b]"},
        {{"--units", "6", "--merge", "--no-merge"}, unset + " ImportUnits:4:6 TextureFolders:10:"},
        {{"--units", "KILOMETERS", "--merge"},
         " ImportAsAuthored:1:false ImportMergeCoplanarFaces:1:true ImportUnits:4:8 TextureFolders:10:"},
        {{"--stored"}, " ImportAsAuthored:1:true ImportMergeCoplanarFaces:1:true ImportUnits:4:7 TextureFolders:10:[/srv/maps]"},
        {{"--stored", "--no-as-authored", "--units", "2", "--texture-folder", "/srv/b"},
         " ImportAsAuthored:1:false ImportMergeCoplanarFaces:1:true ImportUnits:4:2 TextureFolders:10:[/srv/b]"},
    };
    for (auto [flags, expected] : cases) {
        std::filesystem::remove_all(folder_ / "config");
        if (!flags.empty() && flags.front() == "--stored") {
            flags.erase(flags.begin());
            WriteFile(folder_ / "config/Korvanta/preferences.json",
                      R"({"3DS Importer": {"ImportAsAuthored": true, "ImportMergeCoplanarFaces": true, "ImportUnits": 7,)"
                      R"( "TextureFolders": ["/srv/maps"]}})");
        }
        Arguments arguments = {input, Out("out.kvm")};
        arguments.insert(arguments.begin() + 1, flags.begin(), flags.end());  // flags may sit between the files
        ASSERT_EQ(Kvimport(arguments).exitCode, 0);
        EXPECT_THAT(ReadFile(folder_ / "out.kvm"), HasSubstr("\noptions" + expected + "\n"))
            << ::testing::PrintToString(flags);
    }
}

TEST_F(KvimportTest, ProgressLinesListEveryCallInOrderWithExactValues) {
    const std::string calls =
        "percent 10\nmessage Parsing file...\npercent 0.1\npercent 33.333333333333336\npercent -1e-300\n"
        "message Größe %s: 1 of 3...\nsecondary-percent 50\nsecondary-message inner\nmessage \npercent 140.25\n";
    const std::string input = Script("progress.3ds", calls);
    const ProcessResult result = Kvimport({"--progress=lines", input, Out("out.kvm")});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, calls);
    EXPECT_EQ(Kvimport({"--progress", "none", input, Out("out.kvm")}).err, "");
    EXPECT_EQ(Kvimport({input, Out("out.kvm")}).err, "") << "no bar when standard error is not a terminal";
}

TEST_F(KvimportTest, CancelAfterNLetsTheFirstNChecksOfEachFileGoOnAndACancelledImportWritesNothing) {
    const std::string first = Script("first.3ds", "check\ncheck\ncheck\ncheck\n");
    const std::string second = Script("second.3ds", ReadFile(first));
    WriteFile(Out("out/first.kvm"), "old model");
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{"--cancel-after", "0"}, ", cancelled at check 1\n"},
        {{"--cancel-after=2"}, ", cancelled at check 3\n"},
    };
    for (const auto& [flags, cancellation] : cases) {
        Arguments arguments = flags;
        arguments.insert(arguments.end(), {"-o", Out("out"), first, second});
        const ProcessResult result = Kvimport(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.out, AllOf(HasSubstr(first + cancellation), HasSubstr(second + cancellation)));
        EXPECT_THAT(result.err, HasSubstr("the import of " + first + " was cancelled; " + Out("out/first.kvm") +
                                          " was not written"));
        EXPECT_EQ(ReadFile(folder_ / "out/first.kvm"), "old model");
        EXPECT_EQ(NamesIn(folder_ / "out"), (std::set<std::string>{"first.kvm"}));
    }
    ASSERT_EQ(Kvimport({"-o", Out("out"), first, second}).exitCode, 0);
    EXPECT_THAT(ReadFile(folder_ / "out/first.kvm"), HasSubstr("\nchecks 4\n"));
    EXPECT_THAT(ReadFile(folder_ / "out/second.kvm"), HasSubstr("\nchecks 4\n"));
}

TEST_F(KvimportTest, BatchUsesOneImporterGoesOnAfterFailuresKeepsTheirOldModelsAndExitsOne) {
    const std::string good = Script("good.3ds", "");
    const std::string bad = Script("bad.3ds", "fail\n");
    const std::string stale = Script("stale.3ds", "nowrite\n");
    const std::string thrower = Script("thrower.3ds", "throw\n");
    for (const char* model : {"bad.kvm", "stale.kvm", "thrower.kvm"}) WriteFile(Out("nested/out/") + model, "old model");
    const ProcessResult result =
        Kvimport({"-o", Out("nested/out"), good, bad, stale, thrower, Script("late.v2.3ds", "")});
    EXPECT_EQ(result.exitCode, 1);
    const std::pair<std::string, int> models[] = {{"good", 1}, {"late.v2", 5}};
    for (const auto& [model, conversion] : models) {
        EXPECT_THAT(ReadFile(folder_ / ("nested/out/" + model + ".kvm")),
                    HasSubstr("entry-calls 1\nimporters 1\nconversion " + std::to_string(conversion) + "\n"));
    }
    for (const char* model : {"bad.kvm", "stale.kvm", "thrower.kvm"}) {
        EXPECT_EQ(ReadFile(folder_ / "nested/out" / model), "old model") << model;
    }
    EXPECT_EQ(NamesIn(folder_ / "nested/out"),
              (std::set<std::string>{"good.kvm", "bad.kvm", "stale.kvm", "thrower.kvm", "late.v2.kvm"}));
    // The scripted inputs are no 3DS files, which is then the reason given.
    EXPECT_THAT(result.err, AllOf(HasSubstr(bad + ": it is not a 3DS file (it starts with 66 61 69 6C 0A \"fail.\")"),
                                  HasSubstr("cannot write " + Out("nested/out/stale.kvm") +
                                            ": the importer wrote no file there"),
                                  HasSubstr("the importer failed on " + thrower + ": scripted failure")));
    EXPECT_EQ(result.out, "summary 1: Imported " + good + "\nsummary 2: Imported " + bad + "\nsummary 3: Imported " +
                              stale + "\nsummary 5: Imported " + Out("late.v2.3ds") + "\n");
}

// Names come from files made anywhere: escape sequences (C0, DEL, C1),
// bidirectional marks and bytes that are not UTF-8 are shown escaped in the
// report, the progress and the messages, while tabs and real characters pass.
TEST_F(KvimportTest, ControlCharactersAndBrokenUtf8FromNamesNeverReachTheTerminal) {
    const std::string evil = Script("evil\x1b]0;owned\x07\u202Egpj.3ds",
                                    "message M \x1b[2J\xC2\x9B" "31m\x7F\r\tD\xE9" "faut \xED\xA0\x80 \xE2\x82\xAC \xE2\x82\nfail\n");
    const std::string shown = Out("evil\\u001B]0;owned\\u0007\\u202Egpj.3ds");
    const ProcessResult result = Kvimport({"--progress=lines", evil, Out("out.kvm")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "summary 1: Imported " + shown + "\n");
    EXPECT_EQ(result.err, "message M \\u001B[2J\\u009B31m\\u007F \tD\\xE9faut \\xED\\xA0\\x80 \xE2\x82\xAC \\xE2\\x82\nkvimport: " + shown +
                              ": it is not a 3DS file (it starts with 6D 65 73 73 61 67 65 20 \"message \")\n");
}

// Misuse exits 2 with a hint, a failure 1, --help 0. An output that is the
// input, or that cannot be written, is refused before any conversion starts.
TEST_F(KvimportTest, ExitsTwoOnMisuseOneOnAnOutputItCannotWriteOrWithoutAPluginAndZeroForHelp) {
    const std::string in = Script("in.3ds", "");
    const std::string model = Script("model.kvm", "");
    const std::string out = Out("out.kvm");
    const std::string absent = Out("NoSuchImporter.so");
    std::filesystem::create_hard_link(in, Out("hard-link.kvm"));
    std::filesystem::create_symlink(in, Out("symbolic-link.kvm"));
    std::filesystem::create_directories(Out("folder.kvm"));
    // A --plugin of the row's own comes after the test importer's, and wins.
    std::vector<std::tuple<Arguments, int, std::string>> cases = {
        {{in}, 2, "missing output file"},
        {{"-x", in, out}, 2, "unknown option -x"},
        {{in, out, "--units"}, 2, "option --units needs a value"},
        {{"--units", "9", in, out}, 2, "unknown unit \"9\""},
        {{"--cancel-after", "-1", in, out}, 2, "--cancel-after needs a number"},
        {{"-o", Out("dir"), in, Script("in.txt", "")}, 2, "both be written to " + Out("dir/in.kvm")},
        {{in, in}, 2, "kvimport: the output " + in + " is the input file " + in + "\n"},
        {{in, Out("hard-link.kvm")}, 2, "kvimport: the output " + Out("hard-link.kvm") + " is the input file " + in + "\n"},
        {{in, Out("symbolic-link.kvm")}, 2, "kvimport: the output " + Out("symbolic-link.kvm") + " is the input file " + in + "\n"},
        {{"-o", Out(""), model}, 2, "kvimport: the output " + Out("model.kvm") + " is the input file " + model + "\n"},
        {{in, Out("missing/out.kvm")}, 1,
         "kvimport: cannot write into the folder " + Out("missing") + ": No such file or directory\n"},
        {{in, Out("in.3ds/out.kvm")}, 1, "kvimport: cannot write into the folder " + Out("in.3ds") + ": Not a directory\n"},
        {{in, Out("folder.kvm")}, 1, "kvimport: cannot write " + Out("folder.kvm") + ": it is a folder\n"},
        {{"--plugin", absent, in, out}, 1,
         "cannot load the importer plug-in " + absent + ": " + absent + ": cannot open shared object file"},
        {{"--plugin", KV_LIBRARY_WITHOUT_IMPORTER, in, out}, 1, " is not an importer plug-in"},
        {{"-h"}, 0, "Exit status"},
        {{"--help"}, 0, "--cancel-after N"},
    };
    if (::geteuid() != 0) {  // root may write anywhere
        std::filesystem::create_directories(Out("read-only"));
        std::filesystem::permissions(Out("read-only"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        cases.push_back({{in, Out("read-only/out.kvm")}, 1,
                         "kvimport: cannot write into the folder " + Out("read-only") + ": Permission denied\n"});
    }
    for (const auto& [arguments, exitCode, message] : cases) {
        const ProcessResult result = Kvimport(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << message;
        EXPECT_THAT(result.out + result.err, HasSubstr(message));
        EXPECT_EQ(result.err.find("kvimport --help") != std::string::npos, exitCode == 2) << "the hint is for misuse";
        EXPECT_EQ(result.out.empty(), exitCode != 0) << "no conversion may start: " << message;
    }
    EXPECT_EQ(ReadFile(in), "");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(Out("dir")));
    const std::set<std::string> names = NamesIn(folder_.Path());
    EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::string& name) { return name[0] == '.'; }));
}

TEST_F(KvimportTest, DialogFlagsStartQtOnlyForTheDialogsAndTheOptionsDialogComesFirst) {
    const std::string in = Script("in.3ds", "");
    const std::string out = Out("out.kvm");
    const std::string summary = "summary 1: Imported " + in + "\n";
    // "none" is no Qt platform: a Qt application would fail to start on it.
    const std::vector<std::tuple<Arguments, std::string, int, std::string>> cases = {
        {{"--summary-dialog", "--options-dialog", in, out}, "offscreen", 0, "options dialog\n" + summary},
        {{"--options-dialog"}, "offscreen", 0, "options dialog\n"},
        {{in, out}, "none", 0, summary},
        {{"--summary-dialog", in, Out("unwritten.kvm")}, "", 1, ""},
    };
    for (const auto& [arguments, platform, exitCode, printed] : cases) {
        const ProcessResult result = Kvimport(arguments, {{"QT_QPA_PLATFORM", platform}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
        EXPECT_EQ(result.out, printed);
        EXPECT_EQ(result.err.find("the dialogs need a display") != std::string::npos, exitCode == 1);
    }
    EXPECT_FALSE(std::filesystem::exists(Out("unwritten.kvm"))) << "no display, no conversion";
}
