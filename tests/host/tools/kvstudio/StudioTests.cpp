// kvstudio driven as a user drives it: its menus, the importer's own
// dialogs, the progress dialog's Cancel button, and what the view shows.

#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "GridMesh.h"
#include "ImporterPlugin.h"
#include "ModelSizeText.h"
#include "ModelView.h"
#include "Preferences.h"
#include "SceneBuilder.h"
#include "ScreenPicture.h"
#include "StudioWindow.h"
#include "TemporaryFolder.h"
#include "TextureFolders.h"

namespace {

using kvstudio::StudioWindow;

constexpr int kImportTimeoutMs = 120'000;

// The screenshots carry the language they were taken in, except English's.
QString ScreenshotPath(const char* name) {
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    const QString suffix = language == QLatin1String("en") || language == QLatin1String("C") ? QString() : "-" + language;
    return QStringLiteral(KV_SCREENSHOT_DIR "/%1%2.png").arg(QLatin1String(name), suffix);
}

// Handles the next modal dialog (the next one that `which` picks) from the
// event loop that dialog runs, so that the code which opened it can go on
// once it is closed.
void WhenDialogOpens(std::function<void(QDialog&)> handle,
                     std::function<bool(const QDialog&)> which = [](const QDialog&) { return true; }) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, handle = std::move(handle), which = std::move(which)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() || !which(*dialog)) return;
        poll->stop();
        poll->deleteLater();
        handle(*dialog);
    });
    poll->start(20);
}

// The file dialog lists its folder in the background and may replace a
// chosen name meanwhile, so the name is typed in again until it is taken.
void ChooseFile(QFileDialog& files, const QString& path) {
    auto* retry = new QTimer(&files);
    QObject::connect(retry, &QTimer::timeout, &files, [&files, path] {
        if (!files.isVisible()) return;
        files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog&>(files).accept();
    });
    retry->start(50);
}

// The results dialog's report, the dialog closed.
void ReadResultsWhenShown(QString& report, int& shown, const QString& picture = {}) {
    WhenDialogOpens(
        [&report, &shown, picture](QDialog& dialog) {
            ++shown;
            report = dialog.findChild<QPlainTextEdit*>()->toPlainText();
            if (!picture.isEmpty()) dialog.grab().save(picture);
            dialog.accept();
        },
        [](const QDialog& dialog) { return dialog.findChild<QPlainTextEdit*>() != nullptr; });
}

// The meshes a glTF viewer draws: one for each primitive of each placed mesh.
int PlacedPrimitives(const std::filesystem::path& file) {
    tinygltf::Model gltf;
    std::string error;
    std::string warning;
    if (!tinygltf::TinyGLTF().LoadBinaryFromFile(&gltf, &error, &warning, file.string())) return -1;
    int primitives = 0;
    std::vector<int> pending;
    for (const tinygltf::Scene& scene : gltf.scenes) pending.insert(pending.end(), scene.nodes.begin(), scene.nodes.end());
    while (!pending.empty()) {
        const tinygltf::Node& node = gltf.nodes.at(pending.back());
        pending.pop_back();
        if (node.mesh >= 0) primitives += static_cast<int>(gltf.meshes.at(node.mesh).primitives.size());
        pending.insert(pending.end(), node.children.begin(), node.children.end());
    }
    return primitives;
}

// Pixels clearly red: the sample's paving is red only through its brick texture.
int RedPixels(const QImage& picture) {
    int red = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor colour = picture.pixelColor(x, y);
            if (colour.red() > colour.green() + 50 && colour.red() > colour.blue() + 50) ++red;
        }
    }
    return red;
}

class Studio : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        plugin_ = kvhost::ImporterPlugin::Load(KV_IMPORTER_PLUGIN, error);
        ASSERT_TRUE(plugin_) << error;
    }
    static void TearDownTestSuite() { plugin_.reset(); }

    void SetUp() override {
        window_ = std::make_unique<StudioWindow>(plugin_->Importer());
        window_->resize(1280, 800);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    QAction& Action(const char* name) { return *window_->findChild<QAction*>(QLatin1String(name)); }

    QString SizeText() {
        const QList<QLabel*> labels = window_->statusBar()->findChildren<QLabel*>();
        QString text;
        for (const QLabel* label : labels) text += label->text();
        return text;
    }

    // Waits for the import to end and its model, if any, to be framed in the view.
    void WaitForImport(const QSignalSpy& finished, const QSignalSpy& shown, bool expectModel) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1 && (!expectModel || shown.count() == 1); },
                                    kImportTimeoutMs));
    }

    inline static std::unique_ptr<kvhost::ImporterPlugin> plugin_;
    std::unique_ptr<StudioWindow> window_;
    TemporaryFolder folder_;
};

TEST_F(Studio, ImportsTheSampleThroughItsMenusInTheChosenUnitAndShowsItTextured) {
    // Edit > Import Options: the sample's units are metres.
    WhenDialogOpens([](QDialog& dialog) {
        dialog.findChild<QComboBox*>()->setCurrentIndex(7);
        dialog.grab().save(ScreenshotPath("studio-options"));
        dialog.accept();
    });
    Action("options").trigger();

    // File > Import, then the results dialog once.
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    WhenDialogOpens([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_TRUE(files.nameFilters().front().contains(QLatin1String("*.3ds"))) << files.nameFilters().front().toStdString();
        ReadResultsWhenShown(report, resultsShown, ScreenshotPath("studio-results"));
        ChooseFile(files, QStringLiteral(KV_SAMPLE));
    });
    Action("import").trigger();
    WaitForImport(finished, shown, true);
    QTest::qWait(500);  // the framed model drawn

    EXPECT_EQ(resultsShown, 1);
    EXPECT_FALSE(report.isEmpty());
    EXPECT_TRUE(SizeText().contains(QStringLiteral("264 × 264 × 96 m"))) << SizeText().toStdString();
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-courtyard")));
    EXPECT_GT(RedPixels(window_->grab().toImage()), 5000) << "no brick texture in sight";

    // File > Export writes the model the view shows.
    const std::filesystem::path exported = folder_ / "courtyard.glb";
    ASSERT_TRUE(window_->Export(QString::fromStdString(exported.string())));
    EXPECT_EQ(window_->View().MeshCount(), PlacedPrimitives(exported));
    EXPECT_GT(window_->View().MeshCount(), 0);

    // File > Open shows what the modelling library reads of it and writes anew.
    QSignalSpy reopened(window_.get(), &StudioWindow::ModelShown);
    window_->Open(QString::fromStdString(exported.string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; }, kImportTimeoutMs));
    EXPECT_EQ(window_->View().MeshCount(), PlacedPrimitives(exported));
}

constexpr int kLargeSceneMeshes = 100;

// A hundred meshes of 20,000 faces each, "Tile000" on: an import long
// enough to cancel.
void WriteLargeScene(const std::filesystem::path& path) {
    using namespace hollin::samples;
    const GridMesh tile = MakeGrid(100, {0, 0, 0}, 1.0f, [](float x, float y) { return float(int(x) * int(y) % 7); });
    SceneBuilder scene;
    for (int mesh = 0; mesh < kLargeSceneMeshes; ++mesh) {
        const std::string name = QStringLiteral("Tile%1").arg(mesh, 3, 10, QLatin1Char('0')).toStdString();
        scene.AddMesh(name, tile.points, tile.faces, "");
        scene.AddObjectNode(name);
    }
    ASSERT_TRUE(scene.Save(path.string()));
}

// The number of the tile the progress dialog names, or -1.
int TileInProgress(const QProgressDialog& progress) {
    static const QRegularExpression tile(QStringLiteral("Tile(\\d+)"));
    const QRegularExpressionMatch match = tile.match(progress.labelText());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST_F(Studio, CancelledImportShowsThePartBuiltAndTheWindowGoesOn) {
    const std::filesystem::path large = folder_ / "large.3ds";
    WriteLargeScene(large);
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    ReadResultsWhenShown(report, resultsShown);
    window_->Import(QString::fromStdString(large.string()));

    const QPointer<QProgressDialog> progress = window_->findChild<QProgressDialog*>();
    ASSERT_TRUE(progress);
    constexpr int kCancelAtTile = 5;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !progress || TileInProgress(*progress) >= kCancelAtTile; }, kImportTimeoutMs));
    ASSERT_TRUE(progress) << "the import was over before it could be cancelled";
    EXPECT_FALSE(Action("import").isEnabled()) << "a second import while one runs";
    progress->grab().save(ScreenshotPath("studio-progress"));
    progress->findChild<QPushButton*>()->click();
    WaitForImport(finished, shown, true);

    EXPECT_EQ(resultsShown, 1);
    const int meshes = window_->View().MeshCount();
    EXPECT_GE(meshes, kCancelAtTile);
    EXPECT_LT(meshes, kLargeSceneMeshes);
    EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QLatin1String("large.3ds")));
    EXPECT_TRUE(Action("import").isEnabled());
    Action("frame").trigger();
    QTest::qWait(200);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(Studio, DamagedFileGetsTheResultsDialogAndAReasonAndNoModel) {
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    QString report;
    int resultsShown = 0;
    ReadResultsWhenShown(report, resultsShown);
    window_->Import(QStringLiteral(KV_DAMAGED_3DS));
    WaitForImport(finished, shown, false);

    EXPECT_EQ(resultsShown, 1);
    EXPECT_TRUE(report.contains(QLatin1String("Could not open file"))) << report.toStdString();
    EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QLatin1String("damaged")))
        << window_->statusBar()->currentMessage().toStdString();
    EXPECT_FALSE(window_->View().HasModel());
    EXPECT_FALSE(Action("export").isEnabled());
}

// OK in the options dialog with a file where the store's folder should be:
// the store's failure, which the importer lets through, comes as a message.
TEST_F(Studio, AStoreThatCannotBeWrittenIsAMessageAfterTheOptionsDialog) {
    const std::filesystem::path storeFolder = std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "Korvanta";
    std::error_code noStoreYet;
    std::filesystem::rename(storeFolder, folder_ / "aside", noStoreYet);
    WriteFile(storeFolder, "a file in the folder's place");
    QString message;
    WhenDialogOpens([&message](QDialog& options) {
        WhenDialogOpens([&message](QDialog& box) {
            message = dynamic_cast<QMessageBox&>(box).text();
            box.accept();
        });
        options.accept();
    });
    Action("options").trigger();
    std::filesystem::remove(storeFolder);
    std::filesystem::rename(folder_ / "aside", storeFolder, noStoreYet);
    EXPECT_TRUE(message.contains(QLatin1String("Korvanta/preferences.json cannot be written"))) << message.toStdString();
    EXPECT_TRUE(window_->isVisible());
}

// Pixels of the tank's olive camouflage: its grey untextured parts have
// red, green and blue alike.
int OlivePixels(const QImage& picture) {
    int olive = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor colour = picture.pixelColor(x, y);
            if ((colour.red() + colour.green()) / 2 > colour.blue() + 25) ++olive;
        }
    }
    return olive;
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

    ReadResultsWhenShown(report, resultsShown);
    useHint->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2 && shown.count() == 2; }, kImportTimeoutMs));
    QTest::qWait(500);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(report.contains(QLatin1String("PANZER1_.RGB"))) << report.toStdString();
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-tank1")));
    EXPECT_GT(OlivePixels(window_->View().grab().toImage()), 5000) << "no camouflage in sight";
    EXPECT_EQ(kvhost::TextureFoldersToUse(std::nullopt), std::vector<std::string>{"/usr/share/games/gl-117/textures"});
    hollin::prefs::Get().Remove(u"3DS Importer", u"TextureFolders");
}

TEST(ModelSize, IsSaidInTheChosenUnitWithFourDigitsAndNoExponent) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const kvstudio::ModelExtent extent{{466.9F, 0.06096F, 2.6416F}};
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 2).toStdString(), "Size: 1,532 × 0.2 × 8.667 ft");
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 7).toStdString(), "Size: 466.9 × 0.061 × 2.642 m");
    // "Model Units" has no name: inches, as an option outside the list.
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 0), kvstudio::DescribeExtent(extent, 1));
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 42), kvstudio::DescribeExtent(extent, 1));
    QLocale::setDefault(QLocale::system());
}

}  // namespace
