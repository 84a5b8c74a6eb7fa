// kvstudio driven as a user drives it: its menus, the importer's own
// dialogs, the progress dialog's Cancel button, files dropped on it, and
// what the view shows.

#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTreeWidget>
#include <QWheelEvent>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "GridMesh.h"
#include "ModelBombs.h"
#include "ModelSizeText.h"
#include "ModelView.h"
#include "OutlinePanel.h"
#include "ProcessRunner.h"
#include "ScreenPicture.h"
#include "StudioFixture.h"

namespace {

using namespace studiotest;

const std::filesystem::path kPlane = "/usr/share/games/gl-117/models/gl-16.3ds";

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
bool Red(const QColor& colour) {
    return colour.red() > colour.green() + 50 && colour.red() > colour.blue() + 50;
}

TEST_F(Studio, ImportsTheSampleThroughItsMenusInTheChosenUnitWithItsOutlineMaterialsAndGrid) {
    // Edit > Import Options: the sample's units are metres.
    WhenDialogOpens([](QDialog& dialog) {
        dialog.findChild<QComboBox*>()->setCurrentIndex(7);
        dialog.grab().save(ScreenshotPath("studio-options"));
        dialog.accept();
    });
    Action("options").trigger();
    // A window without a model pays nothing for the 3D renderer.
    EXPECT_EQ(window_->View().QuickWindow(), nullptr);

    // File > Import, then the results dialog once.
    const Imported imported = ImportAndWait(
        [&] {
            WhenDialogOpens([](QDialog& dialog) {
                auto& files = dynamic_cast<QFileDialog&>(dialog);
                EXPECT_THAT(files.nameFilters().front().toStdString(), HasSubstr("*.3ds"));
                ChooseFile(files, QStringLiteral(KV_SAMPLE));
            });
            Action("import").trigger();
        },
        true, ScreenshotPath("studio-results"));
    EXPECT_FALSE(imported.report.isEmpty());
    EXPECT_THAT(SizeText().toStdString(), HasSubstr("264 × 264 × 96 m"));
    EXPECT_TRUE(SizeText().contains(QRegularExpression(QStringLiteral("\\b20 m\\b")))) << "grid " << SizeText().toStdString();
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-courtyard")));
    EXPECT_GT(CountPixels(window_->grab().toImage(), Red), 5000) << "no brick texture in sight";

    // The outline: five definitions and their five instances, with faces.
    auto& outline = Find<QTreeWidget>("outline");
    ASSERT_EQ(outline.topLevelItemCount(), 2);
    ASSERT_EQ(outline.topLevelItem(1)->childCount(), 5);
    EXPECT_EQ(outline.topLevelItem(0)->child(4)->text(0), QStringLiteral("Walls"));
    EXPECT_EQ(outline.topLevelItem(1)->child(4)->text(1), QStringLiteral("60"));
    // The materials: the paving's brick texture with its size, the water clear.
    const QString materials = MaterialLines().join(QLatin1Char('\n'));
    EXPECT_THAT(materials.toStdString(), HasSubstr("BRICKS.PNG, 64 × 64"));
    EXPECT_THAT(materials.toStdString(), HasSubstr(" 65 %"));

    // Picking the basin brings the camera to it (the mark is StudioSelection's).
    const double framed = window_->View().CameraDistance();
    ASSERT_TRUE(window_->Outline().SelectByName(QStringLiteral("Basin"), false));
    EXPECT_LT(window_->View().CameraDistance(), framed * 0.6);
    QTest::qWait(300);
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-courtyard-basin")));
    outline.clearSelection();

    // Zoom: keys step in, and forty wheel notches out keep the model in reach.
    window_->View().setFocus();
    Action("frame").trigger();
    QTest::keyClick(&window_->View(), Qt::Key_Plus);
    EXPECT_LT(window_->View().CameraDistance(), framed);
    const QPointF centre = window_->View().rect().center();
    for (int notch = 0; notch < 40; ++notch) {
        QWheelEvent wheel(centre, window_->View().mapToGlobal(centre), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window_->View().QuickWindow(), &wheel);
    }
    EXPECT_LE(window_->View().CameraDistance(), framed * 6.01);
    QTest::qWait(300);
    EXPECT_GT(CountPixels(window_->View().grab().toImage(), Red), 20) << "the model is out of reach";
    Action("frame").trigger();

    // File > Export writes the model the view shows; File > Open shows what
    // the modelling library reads of it and writes anew.
    const std::filesystem::path exported = folder_ / "courtyard.glb";
    ASSERT_TRUE(window_->Export(QPath(exported)));
    EXPECT_EQ(window_->View().MeshCount(), PlacedPrimitives(exported));
    EXPECT_GT(window_->View().MeshCount(), 0);
    ASSERT_TRUE(OpenAndWait(QPath(exported)));
    EXPECT_EQ(window_->View().MeshCount(), PlacedPrimitives(exported));
}

// Images that would take more than the view gives them are drawn smaller,
// and the window says so.
TEST_F(Studio, LargeImagesAreDrawnSmallerAndTheWindowSaysSo) {
    const std::filesystem::path images = folder_ / "images.kvm";
    ASSERT_TRUE(hollin::samples::WriteImageModel(images, 3, 4500));
    ASSERT_TRUE(OpenAndWait(QPath(images)));
    EXPECT_THAT(StatusText().toStdString(), HasSubstr("images.kvm: its 3 images are drawn at "));
}

constexpr int kLargeSceneMeshes = 100;

// The number of the tile the progress dialog names, or -1.
int TileInProgress(const QProgressDialog& progress) {
    static const QRegularExpression tile(QStringLiteral("Tile(\\d+)"));
    const QRegularExpressionMatch match = tile.match(progress.labelText());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST_F(Studio, CancelledImportShowsThePartBuiltAndTheWindowGoesOn) {
    const std::filesystem::path large = folder_ / "large.3ds";
    ASSERT_TRUE(hollin::samples::WriteTiles(large, kLargeSceneMeshes));
    constexpr int kCancelAtTile = 5;
    ImportAndWait([&] {
        window_->Import(QPath(large));
        const QPointer<QProgressDialog> progress = window_->findChild<QProgressDialog*>();
        ASSERT_TRUE(progress);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !progress || TileInProgress(*progress) >= kCancelAtTile; }, kImportTimeoutMs));
        ASSERT_TRUE(progress) << "the import was over before it could be cancelled";
        EXPECT_FALSE(Action("import").isEnabled()) << "a second import while one runs";
        progress->grab().save(ScreenshotPath("studio-progress"));
        progress->findChild<QPushButton*>()->click();
    });
    const int meshes = window_->View().MeshCount();
    EXPECT_GE(meshes, kCancelAtTile);
    EXPECT_LT(meshes, kLargeSceneMeshes);
    EXPECT_THAT(StatusText().toStdString(), HasSubstr("large.3ds"));
    EXPECT_TRUE(Action("import").isEnabled());
    Action("frame").trigger();
    QTest::qWait(200);
}

QUrl Local(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QPath(path));
}

// Each refusal is said in the status bar, and nothing starts; during an
// import the file dropped is refused, and the import goes on to its end.
TEST_F(Studio, RefusedDropsSayWhyInTheStatusBar) {
    const struct {
        QList<QUrl> files;
        const char* said;
    } refused[] = {
        {{Local("/tmp/bricks.png")}, "bricks.png was not taken: kvstudio imports .3ds files"},
        {{Local(KV_SAMPLE), Local("/usr/share/games/gl-117/models/tank1.3ds")}, "Drop one file at a time: 2 were dropped"},
        {{QUrl(QStringLiteral("https://example.org/courtyard.3ds"))}, "Only files on this computer can be dropped"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.said);
        window_->statusBar()->clearMessage();
        ASSERT_TRUE(DropOn(window_->View(), row.files));
        EXPECT_THAT(StatusText().toStdString(), HasSubstr(row.said));
        EXPECT_FALSE(window_->IsBusy());
    }
    ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-drop-refused")));

    ImportAndWait([&] {
        window_->Import(QStringLiteral(KV_SAMPLE));
        ASSERT_TRUE(DropOn(window_->View(), {Local("/usr/share/games/gl-117/models/tank1.3ds")}));
        EXPECT_THAT(StatusText().toStdString(), HasSubstr("tank1.3ds was not taken: wait until the file in hand"));
    });
    EXPECT_TRUE(window_->windowTitle().startsWith(QLatin1String("courtyard.3ds"))) << window_->windowTitle().toStdString();
}

// Files that are not whole, dropped on the view: the window says what is
// wrong in kvimport's words, a failure before the results dialog comes.
// (Each reason's words are HostPrograms.FailedAndPartialImportsSayWhyAfterTheReport's.)
TEST_F(Studio, FilesThatAreNotWholeSayWhatIsWrongInKvimportsWords) {
    WriteFile(folder_ / "cut.3ds", ReadFile(kPlane).substr(0, 24'326));
    WriteFile(folder_ / "stub.3ds", ReadFile(kPlane).substr(0, 3'000));
    const struct {
        std::filesystem::path file;
        bool model;
        const char* said;
    } cases[] = {
        {folder_ / "cut.3ds", true, "the model may be incomplete: chunk 0x4110 at byte 23858 runs to byte 26746, past the "
                                    "end of the file at byte 24326"},
        {folder_ / "stub.3ds", true, "the model may be incomplete: chunk 0x4110 at byte 2189"},
        {KV_DAMAGED_3DS, false, "the file is damaged: a face names a point its object does not have"},
        {folder_ / "missing.3ds", false, "there is no such file"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.file.filename().string());
        window_->View().Clear();
        const Imported imported =
            ImportAndWait([&] { ASSERT_TRUE(DropOn(window_->View(), {Local(row.file)})); }, row.model);
        const QString warning = Find<QLabel>("warningBar").isVisible() ? Find<QLabel>("warningBar").text() : QString();
        EXPECT_THAT((row.model ? warning : imported.statusAtResults).toStdString(), HasSubstr(row.said));
        EXPECT_EQ(window_->View().HasModel(), row.model);
        if (row.file.filename() == "cut.3ds") {
            EXPECT_GT(window_->View().MeshCount(), 0);
            ASSERT_TRUE(kvstudio::SavePicture(*window_, ScreenshotPath("studio-cut-file")));
        }
    }
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
    EXPECT_THAT(message.toStdString(), HasSubstr("Korvanta/preferences.json cannot be written"));
}

// kvstudio --screenshot as a script runs it: a clear end within seconds,
// with what the window said on standard error.
TEST(StudioCommandLine, EndsWithinSecondsAndSaysWhatTheWindowSays) {
    const TemporaryFolder folder;
    const std::string picture = (folder / "shot.png").string();
    WriteFile(folder / "cut.3ds", ReadFile(kPlane).substr(0, 24'326));
    const struct {
        std::map<std::string, std::string> environment;
        std::string file;
        int exitCode;
        const char* said;
        bool imports;  // whether the import starts before the last word
    } cases[] = {
        {{{"QT_QPA_PLATFORM", "offscreen"}}, KV_SAMPLE, 1, "The 3D view cannot be drawn: the offscreen platform", false},
        {{}, (folder / "missing.3ds").string(), 1, "Could not import missing.3ds: there is no such file", true},
        // Last: its picture is measured below.
        {{{"QT_SCALE_FACTOR", "2"}}, (folder / "cut.3ds").string(), 0, "cut.3ds: the model may be incomplete: chunk", true},
    };
    QSettings().remove(QStringLiteral("recentFiles"));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.file);
        // Seconds on a quiet machine; the sanitizers on a busy one take several times that.
        const ProcessResult result = RunProcess("timeout", {"60", KV_STUDIO, "--screenshot=" + picture, row.file}, row.environment);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Importing ") != std::string::npos, row.imports) << result.err;
    }
    // Picture runs leave File > Open Recent as it was.
    EXPECT_TRUE(QSettings().value(QStringLiteral("recentFiles")).toStringList().isEmpty());
    // At twice the scale on the test display's 1600 by 1000 pixels, the window fits the screen.
    const QImage shot(QString::fromStdString(picture));
    EXPECT_GT(shot.width(), 0);
    EXPECT_LE(shot.width(), 1600);
    EXPECT_LE(shot.height(), 1000);
}

TEST(ModelSize, IsSaidInTheChosenUnitWithFourDigitsAndNoExponentAndSoIsTheGrid) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const kvstudio::ModelExtent extent{{466.9F, 0.06096F, 2.6416F}};
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 2).toStdString(), "Size: 1,532 × 0.2 × 8.667 ft");
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 7).toStdString(), "Size: 466.9 × 0.061 × 2.642 m");
    // "Model Units" has no name: inches, as an option outside the list.
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 0), kvstudio::DescribeExtent(extent, 1));
    EXPECT_EQ(kvstudio::DescribeExtent(extent, 42), kvstudio::DescribeExtent(extent, 1));
    EXPECT_EQ(kvstudio::ChooseGridSpacing(extent, 2).text.toStdString(), "Grid: 200 ft");
    EXPECT_EQ(kvstudio::ChooseGridSpacing(extent, 8).text.toStdString(), "Grid: 0.05 km");
    EXPECT_NEAR(kvstudio::ChooseGridSpacing(extent, 8).metres, 50.0, 0.01);
    QLocale::setDefault(QLocale::system());
}

}  // namespace
