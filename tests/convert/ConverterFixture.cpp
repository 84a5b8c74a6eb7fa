#include "ConverterFixture.h"

#include <cstdlib>
#include <stdexcept>

namespace hollin::importer::testing {

ProgressMessageTable EnglishProgressMessages() {
    return {Utf16String("Parsing file..."),      Utf16String("Parsing cameras..."),
            Utf16String("Parsing camera %s..."), Utf16String("Parsing materials..."),
            Utf16String("Parsing material %s..."), Utf16String("Parsing nodes..."),
            Utf16String("Parsing node %s..."),   Utf16String("Parsing mesh %s..."),
            Utf16String("Cleaning up..."),       Utf16String("Building mesh %s face: %d of %d...")};
}

void ConverterTest::SetUp() {
    RecordingHostApi::Reset();
    std::string pattern = (std::filesystem::temp_directory_path() / "convert-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    folder = pattern;
    output = folder / "out.kvm";
}

void ConverterTest::TearDown() {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

std::filesystem::path ConverterTest::Write(const SceneWriter& scene, const std::string& fileName) const {
    const std::filesystem::path path = folder / fileName;
    scene.Save(path);
    return path;
}

bool ConverterTest::Convert(const std::filesystem::path& input, int units, bool merge) {
    converterStorage_ = std::make_unique<C3DSImporter>();
    converter = converterStorage_.get();
    converter->SetUnitsOption(units);
    converter->SetMergeOption(merge);
    converter->SetProgressMessages(EnglishProgressMessages());
    loaded_ = converter->ConvertFile(Utf16String::FromUtf8(input.string()), Utf16String::FromUtf8(output.string()),
                                     &progress);
    return loaded_;
}

std::string ConverterTest::Report() const {
    Utf16String report;
    if (loaded_) {
        report = FormatImportSummary(converter->MaterialCount(), converter->NodeCount(), converter->MeshCount());
    }
    ImportErrorList errors = converter->Errors();
    report += FormatErrorReport(errors);
    return report.ToUtf8();
}

}  // namespace hollin::importer::testing
