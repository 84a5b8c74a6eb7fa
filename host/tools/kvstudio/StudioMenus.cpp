// The window's menus, and which of their commands can be used when.
#include <QAction>
#include <QDockWidget>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>

#include <utility>

#include "ModelView.h"
#include "RecentFiles.h"
#include "StudioText.h"
#include "StudioWindow.h"

namespace kvstudio {
namespace {

constexpr char kAsAuthoredSetting[] = "importAsAuthored";

// Help > Controls: what moves the camera in the view, and how, as a table.
QString ControlsTable() {
    const std::pair<QString, QString> controls[] = {
        {Tr("Drag"), Tr("Orbit")},
        {Tr("Right or middle drag, or Ctrl and drag"), Tr("Pan")},
        {Tr("Wheel"), Tr("Zoom")},
        {Tr("Arrow keys"), Tr("Orbit")},
        {Tr("Shift and the arrow keys"), Tr("Pan")},
        {Tr("+ and -, or Page Up and Page Down"), Tr("Zoom")},
        {QKeySequence(Qt::Key_F).toString(QKeySequence::NativeText), Tr("Frame all")},
        {Tr("A click on a part in the outline"), Tr("Tint it and turn the camera on it; the keys then move the camera")},
    };
    QString rows;
    for (const auto& [input, does] : controls) {
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(input.toHtmlEscaped(), does.toHtmlEscaped());
    }
    return QStringLiteral("<table cellspacing=\"6\">%1</table>").arg(rows);
}

}  // namespace

void StudioWindow::MakeMenus() {
    QMenu* file = menuBar()->addMenu(Tr("&File"));
    importAction_ = file->addAction(Tr("&Import..."), this, &StudioWindow::ChooseFileToImport);
    importAction_->setObjectName(QStringLiteral("import"));
    importAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    openAction_ = file->addAction(Tr("&Open..."), this, &StudioWindow::ChooseModelToOpen);
    openAction_->setObjectName(QStringLiteral("open"));
    openAction_->setShortcut(QKeySequence::Open);
    recent_ = new RecentFiles(*file->addMenu(Tr("Open &Recent")), this);
    connect(recent_, &RecentFiles::Chosen, this, &StudioWindow::OpenRecent);
    exportAction_ = file->addAction(Tr("&Export as glTF..."), this, &StudioWindow::ChooseExportFile);
    exportAction_->setObjectName(QStringLiteral("export"));
    exportAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    QAction* quit = file->addAction(Tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(Tr("&Edit"));
    optionsAction_ = edit->addAction(Tr("Import &Options..."), this, &StudioWindow::ShowImportOptions);
    optionsAction_->setObjectName(QStringLiteral("options"));
    optionsAction_->setEnabled(importer_.SupportsOptions());
    textureFoldersAction_ = edit->addAction(Tr("&Texture Folders..."), this, &StudioWindow::EditTextureFolders);
    textureFoldersAction_->setObjectName(QStringLiteral("textureFolders"));
    // Remembered with kvstudio's other choices; the next import takes it.
    asAuthoredAction_ = edit->addAction(Tr("Import As &Authored"));
    asAuthoredAction_->setObjectName(QStringLiteral("asAuthored"));
    asAuthoredAction_->setCheckable(true);
    asAuthoredAction_->setChecked(QSettings().value(QLatin1String(kAsAuthoredSetting), false).toBool());
    connect(asAuthoredAction_, &QAction::toggled, this,
            [](bool checked) { QSettings().setValue(QLatin1String(kAsAuthoredSetting), checked); });

    QMenu* view = menuBar()->addMenu(Tr("&View"));
    frameAction_ = view->addAction(Tr("&Frame All"), view_, &ModelView::FrameAll);
    frameAction_->setObjectName(QStringLiteral("frame"));
    frameAction_->setShortcut(QKeySequence(Qt::Key_F));
    view->addSeparator();
    view->addAction(outlineDock_->toggleViewAction());
    view->addAction(materialsDock_->toggleViewAction());

    QMenu* help = menuBar()->addMenu(Tr("&Help"));
    QAction* controls = help->addAction(Tr("&Controls"), this, &StudioWindow::ShowControls);
    controls->setObjectName(QStringLiteral("controls"));
    controls->setShortcut(QKeySequence::HelpContents);
    help->addAction(Tr("&About kvstudio"), this, &StudioWindow::ShowAbout);
}

void StudioWindow::ShowControls() {
    QMessageBox box(QMessageBox::NoIcon, Tr("Controls"), ControlsTable(), QMessageBox::Close, this);
    box.setObjectName(QStringLiteral("controlsBox"));
    box.setTextFormat(Qt::RichText);
    box.exec();
}

void StudioWindow::UpdateActions() {
    const bool idle = !IsBusy();
    importAction_->setEnabled(idle);
    openAction_->setEnabled(idle);
    optionsAction_->setEnabled(idle && importer_.SupportsOptions());
    textureFoldersAction_->setEnabled(idle);
    exportAction_->setEnabled(idle && !shownModel_.isEmpty());
    frameAction_->setEnabled(!shownModel_.isEmpty());
}

}  // namespace kvstudio
