// gl-117's tank, whose camouflage image is in a folder of its own, in
// kvstudio: imported, where the textures are is one click away and the
// folder chosen is remembered, the images found decoded once by the importer
// and once more for the window; converted by kvimport and opened, the
// materials list shows what the model file holds of each material, as it
// does after an import.

#include <gtest/gtest.h>

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ModelScene.h"
#include "ModelView.h"
#include "Preferences.h"
#include "ProcessRunner.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "TextureDecodeCount.h"
#include "settings/ImportSettings.h"

namespace {

using namespace studiotest;

const std::string kTank = "/usr/share/games/gl-117/models/tank1.3ds";
const std::string kTextures = "/usr/share/games/gl-117/textures";

// Pixels of the tank's olive camouflage: its grey untextured parts have
// red, green and blue alike.
bool Olive(const QColor& colour) {
    const bool greenish = colour.green() * 4 > colour.red() * 3;  // not the x axis's red
    return greenish && (colour.red() + colour.green()) / 2 > colour.blue() + 25;
}

class StudioTank : public Studio {
protected:
    // How many rows of the materials list name `texture`: those alone have
    // a thumbnail of it for their icon, with many colours, the others the
    // plain swatch of their colour.
    int Textured(const QString& texture) {
        const auto& materials = Find<QListWidget>("materials");
        int textured = 0;
        for (int row = 0; row < materials.count(); ++row) {
            const QImage icon = materials.item(row)->icon().pixmap(48, 48).toImage();
            QSet<QRgb> colours;
            for (int y = 4; y < icon.height() - 4; ++y) {
                for (int x = 4; x < icon.width() - 4; ++x) colours.insert(icon.pixel(x, y));
            }
            const bool named = materials.item(row)->text().contains(texture);
            EXPECT_EQ(colours.size() > 16, named) << materials.item(row)->text().toStdString();
            textured += named ? 1 : 0;
        }
        return textured;
    }

    void TearDown() override { hollin::prefs::Get().Remove(u"3DS Importer", u"TextureFolders"); }
};

TEST_F(StudioTank, TexturesInTheFolderBesideTheModelsAreOneClickAwayAndRemembered) {
    ImportAndWait(QString::fromStdString(kTank));
    auto* notice = window_->findChild<QWidget*>(QStringLiteral("textureNotice"));
    ASSERT_TRUE(notice && notice->isVisible());
    auto* useHint = notice->findChild<QPushButton*>(QStringLiteral("useTextureFolderHint"));
    ASSERT_TRUE(useHint && useHint->isVisible());
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-tank1-textures-missing")));
    EXPECT_LT(CountPixels(window_->View().grab().toImage(), Olive), 500);
    // The materials list names the missing image, where it was looked for
    // and why, and offers to pick its folder.
    const QString missing = MaterialLines().join(QLatin1Char('\n'));
    EXPECT_TRUE(missing.contains(QRegularExpression(QStringLiteral("PANZER1_.RGB .*/usr/share/games/gl-117/models\\)"))))
        << missing.toStdString();
    EXPECT_TRUE(Find<QPushButton>("materialsTextureFolder").isVisible());

    // Nothing is kept without the user's yes to a question that names the folder.
    QString question;
    const auto answer = [&question](QMessageBox::StandardButton button) {
        WhenDialogOpens([&question, button](QDialog& dialog) {
            auto& box = dynamic_cast<QMessageBox&>(dialog);
            question = box.text();
            box.grab().save(ScreenshotPath("studio-texture-folder-question"));
            box.button(button)->click();
        });
    };
    answer(QMessageBox::No);
    useHint->click();
    EXPECT_THAT(question.toStdString(), HasSubstr(kTextures));
    EXPECT_TRUE(hollin::settings::ReadTextureFolders(hollin::prefs::Get()).folders.empty());
    const std::uint64_t decodedByLibrary = korvanta::TextureFilesDecoded();
    const std::uint64_t decodedForView = kvstudio::ImagesDecodedForView();
    const Imported again = ImportAndWait([&] {
        answer(QMessageBox::Yes);
        useHint->click();
    });
    // The one image, decoded by the importer to embed it and once more for
    // the view, whose picture the materials list shows small; the report on
    // the textures asks the library, which knows it already.
    EXPECT_EQ(korvanta::TextureFilesDecoded() - decodedByLibrary, 1u);
    EXPECT_EQ(kvstudio::ImagesDecodedForView() - decodedForView, 1u);
    EXPECT_EQ(Textured(QStringLiteral("PANZER1_.RGB, 64 × 64")), 3);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_THAT(again.report.toStdString(), Not(HasSubstr("PANZER1_.RGB")));
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-tank1")));
    EXPECT_GT(CountPixels(window_->View().grab().toImage(), Olive), 5000) << "no camouflage in sight";
    EXPECT_FALSE(Find<QPushButton>("materialsTextureFolder").isVisible());
    EXPECT_EQ(hollin::settings::ReadTextureFolders(hollin::prefs::Get()).folders, std::vector<std::string>{kTextures});
}

TEST_F(StudioTank, OpenedModelFilesListTheirMaterialsColoursAndTextures) {
    const std::filesystem::path tank = folder_ / "tank.kvm";
    const ProcessResult converted = RunProcess(KV_KVIMPORT, {"--texture-folder", kTextures, kTank, tank.string()});
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
    ASSERT_TRUE(OpenAndWait(QPath(tank), true));
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-opened-tank")));

    // Eight materials in the tank's two greys; the camouflage on three, by
    // the name of the image that stood in for the one the tank names, a
    // thumbnail of it for their icons, the plain swatch of its colour for
    // the others'.
    const QStringList lines = MaterialLines();
    ASSERT_EQ(lines.size(), 8) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_THAT(lines[0].toStdString(), StartsWith("VMtl01\ncolour #666666, opacity 100 %\ntexture panzer1_.tga, 64 × 64 pixels"));
    EXPECT_THAT(lines[6].toStdString(), HasSubstr("colour #9d9d9d"));
    EXPECT_EQ(Textured(QStringLiteral("texture panzer1_.tga")), 3);
}

}  // namespace
