// Textures kvstudio does not find: where they are is one click away, and
// the folder chosen is remembered for the next imports; the images it finds
// are decoded once by the importer and once more for the window.

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ModelScene.h"
#include "ModelView.h"
#include "Preferences.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"
#include "StudioWindow.h"
#include "TextureDecodeCount.h"
#include "settings/ImportSettings.h"

namespace {

using kvstudio::StudioWindow;
using studiotest::kImportTimeoutMs;
using studiotest::ReadResultsWhenShown;
using studiotest::ScreenshotPath;
using studiotest::Studio;
using studiotest::WhenDialogOpens;

// Pixels of the tank's olive camouflage: its grey untextured parts have
// red, green and blue alike.
int OlivePixels(const QImage& picture) {
    int olive = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor colour = picture.pixelColor(x, y);
            const bool greenish = colour.green() * 4 > colour.red() * 3;  // not the x axis's red
            if (greenish && (colour.red() + colour.green()) / 2 > colour.blue() + 25) ++olive;
        }
    }
    return olive;
}

// A thumbnail of an image has many colours; a material's swatch a few.
std::size_t Colours(const QIcon& icon) {
    const QImage image = icon.pixmap(48, 48).toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

TEST_F(Studio, TexturesInTheFolderBesideTheModelsAreOneClickAwayAndRemembered) {
    const QString tank = QStringLiteral("/usr/share/games/gl-117/models/tank1.3ds");
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    ReadResultsWhenShown(report, resultsShown);
    window_->Import(tank);
    WaitForImport(finished, shown, true);
    QTest::qWait(500);

    auto* notice = window_->findChild<QWidget*>(QStringLiteral("textureNotice"));
    ASSERT_TRUE(notice && notice->isVisible());
    auto* useHint = notice->findChild<QPushButton*>(QStringLiteral("useTextureFolderHint"));
    ASSERT_TRUE(useHint && useHint->isVisible());
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-tank1-textures-missing")));
    EXPECT_LT(OlivePixels(window_->View().grab().toImage()), 500);
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
    EXPECT_TRUE(question.contains(QLatin1String("/usr/share/games/gl-117/textures")))
        << question.toStdString();
    EXPECT_TRUE(hollin::settings::ReadTextureFolders(hollin::prefs::Get()).folders.empty());
    ReadResultsWhenShown(report, resultsShown);
    answer(QMessageBox::Yes);
    const std::uint64_t decodedByLibrary = korvanta::TextureFilesDecoded();
    const std::uint64_t decodedForView = kvstudio::ImagesDecodedForView();
    useHint->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2 && shown.count() == 2; }, kImportTimeoutMs));
    // The one image, decoded by the importer to embed it and once more for
    // the view, whose picture the materials list shows small; the report on
    // the textures asks the library, which knows it already.
    EXPECT_EQ(korvanta::TextureFilesDecoded() - decodedByLibrary, 1u);
    EXPECT_EQ(kvstudio::ImagesDecodedForView() - decodedForView, 1u);
    const auto& materials = Find<QListWidget>("materials");
    std::size_t mostColours = 0;
    for (int row = 0; row < materials.count(); ++row) mostColours = std::max(mostColours, Colours(materials.item(row)->icon()));
    EXPECT_GT(mostColours, 16u) << "no thumbnail of the camouflage";
    QTest::qWait(500);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(report.contains(QLatin1String("PANZER1_.RGB"))) << report.toStdString();
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-tank1")));
    EXPECT_GT(OlivePixels(window_->View().grab().toImage()), 5000) << "no camouflage in sight";
    EXPECT_TRUE(MaterialLines().join(QLatin1Char('\n')).contains(QStringLiteral("PANZER1_.RGB, 64 × 64")))
        << MaterialLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(Find<QPushButton>("materialsTextureFolder").isVisible());
    EXPECT_EQ(hollin::settings::ReadTextureFolders(hollin::prefs::Get()).folders,
              std::vector<std::string>{"/usr/share/games/gl-117/textures"});
    hollin::prefs::Get().Remove(u"3DS Importer", u"TextureFolders");
}

}  // namespace
