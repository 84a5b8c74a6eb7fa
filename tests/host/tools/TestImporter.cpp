// An importer plug-in for testing the host: it follows a script in its input
// file and writes down, as its "model file", everything the host handed it.
//
// Script lines (anything else, binary 3DS data included, is ignored):
//   percent VALUE | message TEXT | secondary-percent VALUE | secondary-message TEXT
//   check     asks IsCancelled; a "cancel" answer ends the script
//   fail      ConvertToModel returns false
//   nowrite   no model file is written
//   throw     ConvertToModel throws

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "KorvantaModelImporterInterface.h"
#include "Preferences.h"

namespace {

using hollin::utils::Variant;

int g_entryCalls = 0;
int g_importersCreated = 0;

class TestImporter final : public KorvantaModelImporterInterface {
public:
    TestImporter() { ++g_importersCreated; }

    std::string GetIdentifier() const override { return "test.importer"; }
    std::int32_t GetFileExtensionCount() const override { return 1; }
    std::string GetFileExtension(std::int32_t) const override { return "3ds"; }
    std::string GetDescription() const override { return "Test Files (*.3ds)"; }
    bool SupportsOptions() const override { return true; }

    bool ConvertToModel(const std::string& inputPath, const std::string& outputPath, HostProgressCallback* progress,
                        ImportOptions* options) override {
        ++conversions_;
        std::ifstream input(inputPath, std::ios::binary);
        // One line per fact, so that tests can look for whole lines.
        std::ostringstream record;
        record << "entry-calls " << g_entryCalls << "\nimporters " << g_importersCreated << "\nconversion "
               << conversions_ << "\noptions" << (options != nullptr ? "" : " null");
        for (const auto& [key, value] : options != nullptr ? *options : ImportOptions{}) {
            record << " " << key.ToUtf8() << ":" << value.GetType() << ":";
            if (value.GetType() == Variant::Bool) {
                record << (value.AsBool() ? "true" : "false");
            } else if (value.GetType() == Variant::Vector) {
                for (const Variant& element : value.GetVector()) record << "[" << element.AsString().ToUtf8() << "]";
            } else {
                record << value.AsInt32();
            }
        }
        record << "\n";

        bool write = true;
        bool succeed = true;
        int checks = 0;
        std::string cancellation;
        for (std::string line; std::getline(input, line);) {
            const std::size_t space = line.find(' ');
            const std::string directive = line.substr(0, space);
            const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
            const double number = std::strtod(argument.c_str(), nullptr);
            if (directive == "percent") progress->SetPercent(number);
            if (directive == "message") progress->SetMessage(argument);
            if (directive == "secondary-percent") progress->SetSecondaryPercent(number);
            if (directive == "secondary-message") progress->SetSecondaryMessage(argument.c_str());
            if (directive == "throw") throw std::runtime_error("scripted failure");
            succeed = succeed && directive != "fail";
            write = write && directive != "nowrite";
            checks += directive == "check" ? 1 : 0;
            if (directive == "check" && progress->IsCancelled()) {
                cancellation = "cancelled at check " + std::to_string(checks);
                record << cancellation << "\n";
                break;
            }
        }
        record << "checks " << checks << "\n";

        if (write) std::ofstream(outputPath, std::ios::binary) << record.str();
        pendingReport_ = "Imported " + inputPath + (cancellation.empty() ? "" : ", " + cancellation);
        return succeed;
    }

    // As if the user pressed OK: the choice goes to the host's store.
    void ShowOptionsDialog() override {
        std::printf("options dialog\n");
        std::fflush(stdout);
        hollin::prefs::Get().WriteBool("Test Importer", "Confirmed", true);
    }

    // Like a real importer, the report is shown once.
    void ShowSummary() override {
        if (!pendingReport_.empty()) std::printf("summary %d: %s\n", conversions_, pendingReport_.c_str());
        pendingReport_.clear();
    }

private:
    int conversions_ = 0;
    std::string pendingReport_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) KorvantaModelImporterInterface* GetKorvantaModelImporterInterface() {
    ++g_entryCalls;
    static TestImporter importer;
    return &importer;
}
