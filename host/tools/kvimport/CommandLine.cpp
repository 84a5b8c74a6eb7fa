#include "CommandLine.h"

#include "HostText.h"
#include "TextureFolders.h"
#include "UnitListText.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "settings/LengthUnits.h"
#include "settings/TextureSearch.h"

namespace kvimport {

namespace {

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<ProgressMode> ParseProgressMode(std::string_view text) {
    if (text == "bar") return ProgressMode::Bar;
    if (text == "lines") return ProgressMode::Lines;
    if (text == "none") return ProgressMode::None;
    return std::nullopt;
}

enum LongOnlyOption {
    kUnits = 256,
    kMerge,
    kNoMerge,
    kProgress,
    kCancelAfter,
    kPlugin,
    kOptionsDialog,
    kSummaryDialog,
    kStrict,
    kVersion,
    kTextureFolder,
    kAsAuthored,
    kNotAsAuthored,
};

constexpr std::array<option, 16> kOptions = {{
    {"help", no_argument, nullptr, 'h'},
    {"output-folder", required_argument, nullptr, 'o'},
    {"units", required_argument, nullptr, kUnits},
    {"merge", no_argument, nullptr, kMerge},
    {"no-merge", no_argument, nullptr, kNoMerge},
    {"progress", required_argument, nullptr, kProgress},
    {"cancel-after", required_argument, nullptr, kCancelAfter},
    {"plugin", required_argument, nullptr, kPlugin},
    {"options-dialog", no_argument, nullptr, kOptionsDialog},
    {"summary-dialog", no_argument, nullptr, kSummaryDialog},
    {"strict", no_argument, nullptr, kStrict},
    {"version", no_argument, nullptr, kVersion},
    {"texture-folder", required_argument, nullptr, kTextureFolder},
    {"as-authored", no_argument, nullptr, kAsAuthored},
    {"no-as-authored", no_argument, nullptr, kNotAsAuthored},
    {nullptr, 0, nullptr, 0},
}};

// Describes the option getopt stopped at; with ":" leading the option
// string, getopt answers ':' for a missing value and '?' for an unknown option.
std::string OptionError(int answer, const std::vector<char*>& argv) {
    const std::string lastArgument = argv[static_cast<std::size_t>(std::max(optind - 1, 1))];
    if (answer == ':') return kvhost::Compose("option %s needs a value", {lastArgument});
    if (optopt == 0) return kvhost::Compose("unknown option %s", {lastArgument});
    // A known long option given "=value" although it takes none.
    if (optopt >= kUnits || (optopt == 'h' && lastArgument.starts_with("--"))) {
        return kvhost::Compose("option %s takes no value", {lastArgument});
    }
    // A short option may sit inside a cluster such as -xo DIR; optopt names it.
    return kvhost::Compose("unknown option %s", {std::string("-") + static_cast<char>(optopt)});
}

std::string ApplyOption(int option, const char* value, ImportCommand& command) {
    switch (option) {
        case 'h':
            command.showHelp = true;
            return {};
        case 'o':
            if (*value == '\0') return kvhost::Translated("-o needs a folder");
            command.outputFolder = value;
            return {};
        case kUnits:
            command.settings.units = hollin::settings::ParseLengthUnit(value);
            if (!command.settings.units) {
                return kvhost::Compose("unknown unit \"%1$s\" (use %2$s, or 0 to 8)", {value, kvhost::UnitNameList()});
            }
            return {};
        case kMerge:
            command.settings.mergeCoplanarFaces = true;
            return {};
        case kNoMerge:
            command.settings.mergeCoplanarFaces = false;
            return {};
        case kAsAuthored:
            command.settings.asAuthored = true;
            return {};
        case kNotAsAuthored:
            command.settings.asAuthored = false;
            return {};
        case kProgress:
            command.progress = ParseProgressMode(value);
            if (!command.progress) return kvhost::Compose("unknown progress mode \"%s\" (use bar, lines or none)", {value});
            return {};
        case kCancelAfter:
            command.cancelAfter = ParseNumber<std::uint64_t>(value);
            if (!command.cancelAfter) return kvhost::Compose("--cancel-after needs a number of calls, not \"%s\"", {value});
            return {};
        case kPlugin:
            if (*value == '\0') return kvhost::Translated("--plugin needs a path");
            command.pluginPath = value;
            return {};
        case kOptionsDialog:
            command.optionsDialog = true;
            return {};
        case kSummaryDialog:
            command.summaryDialog = true;
            return {};
        case kStrict:
            command.strict = true;
            return {};
        case kVersion:
            command.showVersion = true;
            return {};
        case kTextureFolder:
            if (*value == '\0') return kvhost::Translated("--texture-folder needs a folder");
            if (!command.settings.textureFolders) command.settings.textureFolders.emplace();
            command.settings.textureFolders->push_back(kvhost::AbsoluteFolder(value));
            return {};
        default:
            return "unexpected option";
    }
}

std::string CheckOperands(ImportCommand& command, std::vector<std::string> operands) {
    if (command.optionsDialog && operands.empty() && !command.outputFolder) return {};
    if (command.outputFolder) {
        if (operands.empty()) return kvhost::Translated("missing input files");
        command.inputs = std::move(operands);
        return {};
    }
    if (operands.size() < 2) {
        return operands.empty() ? kvhost::Translated("missing input and output files")
                                : kvhost::Translated("missing output file");
    }
    if (operands.size() > 2) return kvhost::Translated("too many files; to convert several, name an output folder with -o DIR");
    command.inputs = {operands[0]};
    command.output = operands[1];
    return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> storage;
    storage.reserve(arguments.size() + 1);
    storage.emplace_back("kvimport");
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);

    ParsedCommandLine parsed;
    // optind 0 makes getopt start afresh, so the parser can run more than once.
    optind = 0;
    opterr = 0;
    const int argc = static_cast<int>(argv.size()) - 1;
    int option = 0;
    while ((option = getopt_long(argc, argv.data(), ":ho:", kOptions.data(), nullptr)) != -1) {
        if (option == '?' || option == ':') {
            parsed.error = OptionError(option, argv);
            return parsed;
        }
        parsed.error = ApplyOption(option, optarg, parsed.command);
        if (!parsed.error.empty()) return parsed;
    }
    if (parsed.command.showHelp || parsed.command.showVersion) return parsed;
    parsed.error = CheckOperands(parsed.command, std::vector<std::string>(argv.begin() + optind, argv.end() - 1));
    return parsed;
}

std::string HelpText() {
    return std::string(
    "Usage: kvimport [options] INPUT.3ds OUTPUT.kvm\n"
    "       kvimport [options] -o DIR INPUT.3ds...\n"
    "       kvimport --options-dialog\n"
    "\n"
    "Converts 3D Studio files into Korvanta model files through the 3DS importer\n"
    "plug-in, the way the Korvanta host does. The plug-in prints its import report\n"
    "on standard output after each file.\n"
    "\n"
    "With -o DIR, every INPUT becomes DIR/<name>.kvm, <name> being the input's\n"
    "file name without its extension; DIR is created when missing. All files go\n"
    "through the same importer object, one after the other.\n"
    "\n"
    "Options:\n"
    "  --units UNIT        length unit of the 3DS coordinates, by name or index\n"
    "                      (names are case-insensitive; \"model\" for Model Units):\n"
    "                      ") + kvhost::UnitIndexList(22) + "\n" +
    "  --merge             merge coplanar faces after the import\n"
    "  --no-merge          do not merge coplanar faces\n"
    "  --as-authored       as the file's author saw the model: faces smooth where\n"
    "                      the file's smoothing groups join them (the model file\n"
    "                      then has vertex normals), texture maps tiled, offset,\n"
    "                      turned and mirrored as the file lays them\n"
    "  --no-as-authored    faces flat and texture maps laid once, as stored\n"
    "  --texture-folder DIR\n"
    "                      look for textures that are not in the model's folder\n"
    "                      in DIR and its sub-folders too: DIR first, then each\n"
    "                      sub-folder in name order, and its own sub-folders\n"
    "                      before the next; " + std::to_string(hollin::settings::kTextureFolderListing.depth) +
    " levels down and " + std::to_string(hollin::settings::kTextureFolderListing.names) + " names at\n"
    "                      most, never through a link to a folder. Repeat it for\n"
    "                      several folders, searched in the order given. Images are\n"
    "                      matched by name ignoring case, by the long name an\n"
    "                      8.3 name was cut from, or as a stand-in of the same\n"
    "                      name in another format (PNG, JPEG, TGA, BMP, GIF).\n"
    "                      Without --units, --merge, --no-merge, --as-authored,\n"
    "                      --no-as-authored or --texture-folder the importer's\n"
    "                      stored settings apply (see kvprefs --help).\n"
    "  --progress=MODE     bar: a progress bar with the current message on\n"
    "                      standard error (the default when it is a terminal);\n"
    "                      lines: every progress call as one line on standard\n"
    "                      error, \"percent VALUE\" or \"message TEXT\", in call order,\n"
    "                      VALUE being exact (shortest round-trip form);\n"
    "                      none: nothing (the default otherwise)\n"
    "  --cancel-after N    answer the importer's first N cancellation checks of each\n"
    "                      file with \"go on\" and every later one with \"cancel\";\n"
    "                      0 cancels from the start. Ctrl-C (SIGINT) and SIGTERM\n"
    "                      cancel too. A cancelled, failed or killed import never\n"
    "                      touches an existing model file.\n"
    "  --plugin PATH       the importer plug-in to load instead of\n"
    "                      Plugins/3DSImporter.so beside this program\n"
    "  --options-dialog    show the importer's options dialog first; OK stores the\n"
    "                      choice for this and later conversions. Without files,\n"
    "                      only the dialog is shown.\n"
    "  --summary-dialog    show each import report in the importer's results\n"
    "                      dialog instead of on standard output\n"
    "                      The dialogs need a display (DISPLAY or WAYLAND_DISPLAY)\n"
    "                      or a Qt platform named in QT_QPA_PLATFORM.\n"
    "  --strict            refuse a file that loads only in part (a chunk runs past\n"
    "                      its parent or the end of the file, as in a download cut\n"
    "                      short) instead of converting it with a warning\n"
    "  -o, --output-folder DIR\n"
    "                      batch mode, see above\n"
    "  -h, --help          show this text\n"
    "  --version           show the host's version and the plug-in's version record\n"
    "\n"
    "Exit status:\n"
    "  0  every file was converted and its model file written\n"
    "  1  a conversion failed or was cancelled, a model file was not written,\n"
    "     the plug-in could not be loaded, or the dialogs had no display (the\n"
    "     reason is given on standard error, for a file that did not convert\n"
    "     after the import report)\n"
    "  2  usage error: unknown option, missing files, bad unit or value, or an\n"
    "     output that is the input file\n"
    "  130, 143  interrupted by SIGINT or SIGTERM\n";
}

}  // namespace kvimport
