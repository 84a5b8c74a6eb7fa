#include "StudioWindow.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "FreedMemory.h"
#include "HostVersion.h"
#include "JsonFileReasons.h"
#include "MaterialsPanel.h"
#include "ModelRewrite.h"
#include "ModelSizeText.h"
#include "ModelView.h"
#include "OutlinePanel.h"
#include "RecentFiles.h"
#include "Preferences.h"
#include "StudioFiles.h"
#include "StudioText.h"
#include "TextureFolders.h"
#include "TextureFoldersDialog.h"
#include "TextureNotice.h"
#include "WarningBar.h"
#include "WindowPlacement.h"
#include "settings/ImportSettings.h"

namespace kvstudio {

namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

StudioWindow::StudioWindow(KorvantaModelImporterInterface& importer, QWidget* parent)
    : QMainWindow(parent),
      importer_(importer),
      view_(new ModelView(this)),
      textureNotice_(new TextureNotice(this)),
      warning_(new WarningBar(this)),
      outline_(new OutlinePanel(this)),
      materials_(new MaterialsPanel(this)),
      sizeLabel_(new QLabel(this)) {
    scratch_.setAutoRemove(false);
    setWindowTitle(QStringLiteral("kvstudio"));
    setAcceptDrops(true);
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(warning_);
    layout->addWidget(textureNotice_);
    layout->addWidget(view_, 1);
    setCentralWidget(centre);
    connect(textureNotice_, &TextureNotice::FolderChosen, this, &StudioWindow::ImportAgainWithTextureFolder);
    view_->SetPlaceholderText(Tr("Drop a 3DS file here, or choose File > Import."));
    statusBar()->addPermanentWidget(sizeLabel_);
    connect(view_, &ModelView::Shown, this, &StudioWindow::OnModelShown);
    connect(view_, &ModelView::Failed, this, &StudioWindow::OnModelFailed);
    connect(view_, &ModelView::Unavailable, this, &StudioWindow::OnViewUnavailable);
    MakePanels();
    MakeMenus();
    UpdateActions();
    CentreDialogsOver(*this);
    // Found before anyone could listen: said once the window runs.
    if (!view_->WhyUnavailable().isEmpty()) {
        QTimer::singleShot(0, this, [this] { OnViewUnavailable(view_->WhyUnavailable()); });
    }
}

void StudioWindow::MakePanels() {
    outlineDock_ = new QDockWidget(Tr("Outline"), this);
    outlineDock_->setObjectName(QStringLiteral("outlineDock"));
    outlineDock_->setWidget(outline_);
    materialsDock_ = new QDockWidget(Tr("Materials"), this);
    materialsDock_->setObjectName(QStringLiteral("materialsDock"));
    materialsDock_->setWidget(materials_);
    addDockWidget(Qt::RightDockWidgetArea, outlineDock_);
    addDockWidget(Qt::RightDockWidgetArea, materialsDock_);
    resizeDocks({outlineDock_}, {300}, Qt::Horizontal);
    connect(outline_, &OutlinePanel::PartPicked, view_, &ModelView::Select);
    // A part clicked is looked at: the arrow keys turn the camera, not the outline.
    connect(outline_, &QTreeWidget::itemClicked, view_, [this] { view_->setFocus(Qt::OtherFocusReason); });
    connect(materials_, &MaterialsPanel::TextureFolderWanted, textureNotice_, &TextureNotice::ChooseFolder);
}

StudioWindow::~StudioWindow() {
    opening_.reset();
    RemoveFolderInUse(scratch_.path());
}

void StudioWindow::ChooseFileToImport() {
    QFileDialog dialog(this, Tr("Import"), lastFolder_, ImportFilter(importer_));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Import(dialog.selectedFiles().front());
}

void StudioWindow::ChooseModelToOpen() {
    QFileDialog dialog(this, Tr("Open"), lastFolder_, Tr("Korvanta models (*.kvm)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Open(dialog.selectedFiles().front());
}

void StudioWindow::ChooseExportFile() {
    const QString suggested = QFileInfo(ExportFolderFor(lastExportFolder_, shownSource_), QFileInfo(shownSource_).completeBaseName() + ".glb").filePath();
    QString path = QFileDialog::getSaveFileName(this, Tr("Export as glTF"), suggested, Tr("glTF binary (*.glb)"));
    if (path.isEmpty()) return;
    if (!HasSuffix(path, "glb")) path += QStringLiteral(".glb");
    Export(path);
}

void StudioWindow::ShowImportOptions() {
    // The importer lets the preference store's failures reach its host.
    try {
        importer_.ShowOptionsDialog();
    } catch (const std::exception& exception) {
        QMessageBox::warning(this, QStringLiteral("kvstudio"), QString::fromStdString(kvhost::WhatWentWrong(exception)));
    }
}

void StudioWindow::ShowAbout() {
    QMessageBox::about(this, Tr("About kvstudio"),
                       QString::fromStdString(kvhost::HostVersionLine("kvstudio")) + QStringLiteral("\n\n") +
                           Tr("Imports 3DS files through the importer plug-in, as the modelling application does, "
                              "and shows the model."));
}

bool StudioWindow::StoreTextureFolders(const std::vector<std::string>& folders) {
    try {
        hollin::settings::WriteTextureFolders(hollin::prefs::Get(), folders);
        return true;
    } catch (const std::exception& error) {
        QMessageBox::warning(this, Tr("Texture Folders"),
                             TrCompose("Could not save the texture folders: %s", {error.what()}));
        return false;
    }
}

void StudioWindow::EditTextureFolders() {
    const hollin::settings::TextureFolderList stored = hollin::settings::ReadTextureFolders(hollin::prefs::Get());
    TextureFoldersDialog dialog(stored.folders, this);
    if (stored.dropped != 0) statusBar()->showMessage(QString::fromStdString(kvhost::DroppedFoldersNote(stored.dropped)));
    if (dialog.exec() == QDialog::Accepted) StoreTextureFolders(dialog.Folders());
}

void StudioWindow::ImportAgainWithTextureFolder(const QString& folder) {
    if (IsBusy() || lastImport_.isEmpty()) return;
    std::vector<std::string> folders = hollin::settings::ReadTextureFolders(hollin::prefs::Get()).folders;
    const std::string chosen = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()).toStdString();
    if (std::find(folders.begin(), folders.end(), chosen) == folders.end()) folders.push_back(chosen);
    if (!StoreTextureFolders(folders)) return;
    Import(lastImport_);
}

QString StudioWindow::NextScratchFile(const QString& stem) {
    return scratch_.filePath(QStringLiteral("%1-%2.glb").arg(++scratchFiles_).arg(stem));
}

void StudioWindow::Import(const QString& path) {
    if (IsBusy()) return;
    const QFileInfo file(path);
    lastFolder_ = file.absolutePath();
    lastImport_ = file.absoluteFilePath();
    textureNotice_->hide();
    warning_->Say({});
    run_ = std::make_unique<ImportRun>(importer_, file.absoluteFilePath(), NextScratchFile(file.completeBaseName()),
                                       asAuthoredAction_->isChecked());

    const QString title = TrCompose("Importing %s", {Utf8(file.fileName())});
    progress_ = MakeImportProgress(*this, *run_, title);
    connect(progress_, &QProgressDialog::canceled, this, &StudioWindow::OnCancel);
    connect(run_.get(), &ImportRun::Converted, this, &StudioWindow::ConversionEnded);
    connect(run_.get(), &ImportRun::Finished, this, &StudioWindow::OnImportFinished);
    statusBar()->showMessage(title);
    UpdateActions();
    run_->Start();
}

void StudioWindow::OnCancel() {
    if (!run_) return;
    run_->Cancel();
    statusBar()->showMessage(Tr("Cancelling: the part imported so far is being saved..."));
}

void StudioWindow::OnImportFinished(const ImportOutcome& outcome) {
    const QString input = run_->Input();
    const QString output = run_->Output();
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
    kvhost::ReturnFreedMemory();
    const std::string name = Utf8(QFileInfo(input).fileName());

    // The view loads the model behind the results dialog; what went wrong is
    // said before the dialog comes.
    QString failure;
    if (!outcome.failure.isEmpty()) {
        failure = TrCompose("The importer failed on %1$s: %2$s", {name, Utf8(outcome.failure)});
    } else if (!outcome.converted) {
        failure = TrCompose("Could not import %1$s: %2$s", {name, Utf8(outcome.whyNotConverted)});
    }
    if (outcome.converted) {
        ShowModel(output, input, outcome.contents, outcome.scene, outcome.settings.units);
    }
    textureNotice_->ShowReport(outcome.textures);
    if (!outcome.incomplete.isEmpty()) {
        const QString warning = TrCompose("%1$s: %2$s", {name, Utf8(outcome.incomplete)});
        warning_->Say(warning);
        statusBar()->showMessage(warning);
    } else if (outcome.cancelled && outcome.converted) {
        statusBar()->showMessage(TrCompose("The import of %s was cancelled: the view shows the part imported before.", {name}));
    }
    if (!failure.isEmpty()) statusBar()->showMessage(failure);
    statusBar()->repaint();
    importer_.ShowSummary();
    if (!failure.isEmpty()) emit Failed(failure);
    // Only now is the import over: until the results dialog has closed, a
    // file dropped on the window must not start another one. The run's
    // signal is still being delivered, so it goes once that is over.
    run_.release()->deleteLater();
    UpdateActions();
    emit ImportFinished();
}

void StudioWindow::Open(const QString& path) {
    if (IsBusy()) return;
    const QFileInfo file(path);
    lastFolder_ = file.absolutePath();
    textureNotice_->hide();
    warning_->Say({});
    opening_ = std::make_unique<OpenRun>(file.absoluteFilePath(), NextScratchFile(file.completeBaseName()));
    connect(opening_.get(), &OpenRun::Finished, this, &StudioWindow::OnOpenFinished);
    statusBar()->showMessage(TrCompose("Opening %s...", {Utf8(file.fileName())}));
    UpdateActions();
    opening_->Start();
}

void StudioWindow::OnOpenFinished(const OpenOutcome& outcome) {
    const QString source = opening_->Source();
    const QString copy = opening_->Copy();
    // The run's signal is still being delivered, so it goes once that is over.
    opening_.release()->deleteLater();
    UpdateActions();
    if (!outcome.whyNot.isEmpty()) {
        QFile::remove(copy);
        const QString message = TrCompose("Could not open %1$s: %2$s", {Utf8(QFileInfo(source).fileName()), Utf8(outcome.whyNot)});
        statusBar()->showMessage(message);
        QMessageBox::warning(this, Tr("Open"), message);
        emit Failed(message);
        return;
    }
    ShowModel(copy, source, outcome.contents, outcome.scene, std::nullopt);
}

void StudioWindow::OpenRecent(const QString& path) {
    if (HasSuffix(path, "kvm")) {
        Open(path);
    } else {
        Import(path);
    }
}


bool StudioWindow::Export(const QString& path) {
    const QString why = CopyFile(shownModel_, path);
    const std::string name = Utf8(QFileInfo(path).fileName());
    if (!why.isEmpty()) {
        QMessageBox::warning(this, Tr("Export as glTF"), TrCompose("Could not export to %1$s: %2$s", {name, Utf8(why)}));
        return false;
    }
    lastExportFolder_ = QFileInfo(path).absolutePath();
    statusBar()->showMessage(TrCompose("Exported %s", {name}));
    return true;
}

void StudioWindow::ShowModel(const QString& glbPath, const QString& sourcePath, const ModelContents& contents,
                             const ModelScene& scene, std::optional<std::int32_t> units) {
    pendingModel_ = glbPath;
    pendingSource_ = sourcePath;
    pendingUnits_ = units;
    openingMessage_ = TrCompose("Opening %s...", {Utf8(QFileInfo(sourcePath).fileName())});
    statusBar()->showMessage(openingMessage_);
    outline_->Show(contents);
    materials_->Show(contents);
    if (!scene.note.isEmpty()) {
        const QString note = TrCompose("%1$s: %2$s", {Utf8(QFileInfo(sourcePath).fileName()), Utf8(scene.note)});
        warning_->Say(note);
        statusBar()->showMessage(note);
    }
    view_->Show(scene);
}

void StudioWindow::OnModelShown() {
    if (!shownModel_.isEmpty() && shownModel_ != pendingModel_) QFile::remove(shownModel_);
    shownModel_ = pendingModel_;
    shownSource_ = pendingSource_;
    // Only files that gave a model: a failure leaves the settings as they were.
    if (remembersFiles_) recent_->Add(shownSource_);
    setWindowTitle(QStringLiteral("%1 - kvstudio").arg(QFileInfo(shownSource_).fileName()));
    // Whatever was said since, about the import say, stays.
    if (statusBar()->currentMessage() == openingMessage_) statusBar()->clearMessage();
    ShowSize();
    UpdateActions();
    emit ModelShown();
}

void StudioWindow::ShowSize() {
    int units = pendingUnits_.value_or(0);
    try {
        if (!pendingUnits_) units = StoredUnitsOption();
    } catch (const std::exception& exception) {
        // The size is then given in inches, and the user told why.
        statusBar()->showMessage(QString::fromStdString(kvhost::WhatWentWrong(exception)));
    }
    const std::optional<ModelExtent> extent = view_->Extent();
    if (!extent) {
        view_->SetGridSpacing(0);
        sizeLabel_->setText(Tr("The model has no geometry"));
        return;
    }
    const GridSpacing grid = ChooseGridSpacing(*extent, units);
    view_->SetGridSpacing(grid.metres);
    sizeLabel_->setText(DescribeExtent(*extent, units) + QStringLiteral("   ") + grid.text);
}

void StudioWindow::OnModelFailed(const QString& reason) {
    ReportFailure(TrCompose("Could not show %1$s: %2$s", {Utf8(QFileInfo(pendingSource_).fileName()), Utf8(reason)}));
}

void StudioWindow::OnViewUnavailable(const QString& why) {
    const QString message = TrCompose("The 3D view cannot be drawn: %s", {Utf8(why)});
    view_->SetPlaceholderText(message);
    ReportFailure(message);
}

void StudioWindow::ReportFailure(const QString& why) {
    statusBar()->showMessage(why);
    emit Failed(why);
}

void StudioWindow::closeEvent(QCloseEvent* event) {
    SavePlacement(*this);
    QMainWindow::closeEvent(event);
}

void StudioWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Anything with files is taken to the drop, which says why it refuses what it refuses.
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void StudioWindow::dropEvent(QDropEvent* event) {
    const QString why = WhyDropRefused(event->mimeData(), IsBusy());
    if (!why.isEmpty()) {
        event->ignore();
        statusBar()->showMessage(why);
        return;
    }
    event->acceptProposedAction();
    const QString file = DraggedFile(event->mimeData());
    if (HasSuffix(file, "kvm")) {
        Open(file);
    } else {
        Import(file);
    }
}

}  // namespace kvstudio
