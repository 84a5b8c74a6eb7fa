#pragma once

#include <QMainWindow>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ImportRun.h"
#include "OpenRun.h"
#include "KorvantaModelImporterInterface.h"

class QAction;
class QDockWidget;
class QLabel;
class QProgressDialog;

namespace kvstudio {

class MaterialsPanel;
class ModelView;
class OutlinePanel;
class RecentFiles;
class TextureNotice;
class WarningBar;

// kvstudio's window: the menus, the 3D view of the model in hand with its
// outline and materials in panels beside it, and a status bar that tells
// its size and the ground grid's spacing. Imports run through the importer plug-in
// as the modelling application runs them: its options dialog, progress
// that can be cancelled, its results dialog once after each import.
class StudioWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit StudioWindow(KorvantaModelImporterInterface& importer, QWidget* parent = nullptr);
    ~StudioWindow() override;

    // What the menu commands do once a file is chosen.
    void Import(const QString& path);
    void Open(const QString& path);
    bool Export(const QString& path);

    // Whether a file shown goes to File > Open Recent: not in picture runs.
    void SetRemembersFiles(bool remembers) { remembersFiles_ = remembers; }

    ModelView& View() { return *view_; }
    // While an import or File > Open is under way, neither starts again.
    bool IsBusy() const { return run_ != nullptr || opening_ != nullptr; }
    OutlinePanel& Outline() { return *outline_; }

signals:
    // When the importer is done, before the view opens the model.
    void ConversionEnded();
    // After an import's results dialog has closed.
    void ImportFinished();
    // Once a model is in the view and framed.
    void ModelShown();
    // When an import failed, a file was not opened or the view could not
    // show a model, with what the user is told.
    void Failed(const QString& why);

protected:
    // Files dropped anywhere on the window, the view included, come here.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MakeMenus();
    void MakePanels();
    void OpenRecent(const QString& path);
    void ChooseFileToImport();
    void ChooseModelToOpen();
    void ChooseExportFile();
    void ShowImportOptions();
    void ShowAbout();
    void ShowControls();
    void EditTextureFolders();
    // Keeps `folder` among the texture folders and imports the last file again.
    void ImportAgainWithTextureFolder(const QString& folder);
    bool StoreTextureFolders(const std::vector<std::string>& folders);
    void UpdateActions();

    void OnImportFinished(const ImportOutcome& outcome);
    void OnOpenFinished(const OpenOutcome& outcome);
    void OnCancel();
    // Only with a model file in the scratch folder that the modelling library
    // wrote: the importer's, or one rewritten by RewriteModelFile.
    // `units`: the unit option the import ran with; none for a model file
    // opened, whose size is given in the stored choice.
    void ShowModel(const QString& glbPath, const QString& sourcePath, const ModelContents& contents, const ModelScene& scene,
                   std::optional<std::int32_t> units);
    // In the status bar, and to whoever watches Failed.
    void ReportFailure(const QString& why);
    void OnModelShown();
    void OnModelFailed(const QString& reason);
    void OnViewUnavailable(const QString& why);
    void ShowSize();
    // A name for the next model file in the scratch folder.
    QString NextScratchFile(const QString& stem);

    KorvantaModelImporterInterface& importer_;
    ModelView* view_;
    TextureNotice* textureNotice_;
    WarningBar* warning_;
    OutlinePanel* outline_;
    MaterialsPanel* materials_;
    QDockWidget* outlineDock_ = nullptr;
    QDockWidget* materialsDock_ = nullptr;
    RecentFiles* recent_ = nullptr;
    QLabel* sizeLabel_;
    QAction* importAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* optionsAction_ = nullptr;
    QAction* textureFoldersAction_ = nullptr;
    QAction* asAuthoredAction_ = nullptr;  // checked: imports take the file's smoothing groups and map tiling
    QAction* frameAction_ = nullptr;
    // Every model file the view opens is one of this folder's. It goes with
    // the window, even while a File > Open still writes into it.
    QTemporaryDir scratch_;
    int scratchFiles_ = 0;
    std::unique_ptr<ImportRun> run_;
    std::unique_ptr<OpenRun> opening_;
    QProgressDialog* progress_ = nullptr;
    QString lastFolder_;
    QString lastImport_;
    QString lastExportFolder_;
    // The model file shown, and the file it came from.
    QString shownModel_;
    QString shownSource_;
    // The model being loaded into the view, and the file it came from.
    QString pendingModel_;
    QString pendingSource_;
    std::optional<std::int32_t> pendingUnits_;
    QString openingMessage_;
    bool remembersFiles_ = true;
};

}  // namespace kvstudio
