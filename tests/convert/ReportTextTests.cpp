#include <gtest/gtest.h>

#include "convert/ImportReport.h"
#include "l10n/LocalizedStrings.h"
#include "l10n/StringTableFile.h"

namespace hollin::importer {
namespace {

// Every kind of error the report can hold, in English and as the German
// string table gives it, including those no conversion records today: the
// line layout stays, the words are the table's.
TEST(ImportReport, NamesEveryKindOfErrorInTheUsersLanguage) {
    const struct {
        ImportErrorKind kind;
        const char* english;
        const char* german;
    } rows[] = {
        {OpenFile, "Could not open file", "Datei konnte nicht geöffnet werden"},
        {Camera, "Could not create camera", "Kamera konnte nicht erstellt werden"},
        {Material, "Could not create material", "Material konnte nicht erstellt werden"},
        {Node, "Could not create node", "Knoten konnte nicht erstellt werden"},
        {Mesh, "Could not create mesh", "Netz konnte nicht erstellt werden"},
        {Texture, "Could not create texture", "Textur konnte nicht erstellt werden"},
        {Face, "Could not create face", "Fläche konnte nicht erstellt werden"},
    };
    ImportErrorList errors;
    std::string english = "3ds Errors:\n", german = "3DS-Fehler:\n";
    for (const auto& row : rows) {
        errors.push_back({row.kind, Utf16String("x")});
        english += std::string("\t") + row.english + ": x\n";
        german += std::string("\t") + row.german + ": x\n";
    }
    ImportErrorList copy = errors;  // the report empties the list it is given
    EXPECT_EQ(FormatErrorReport(copy).ToUtf8(), english);
    ASSERT_TRUE(hollin::l10n::LoadLocalizedStrings(Utf16String(KV_GERMAN_STRINGS)));
    EXPECT_EQ(FormatErrorReport(errors).ToUtf8(), german);
    hollin::l10n::GetLocalizedStringTable().clear();
}

}  // namespace
}  // namespace hollin::importer
