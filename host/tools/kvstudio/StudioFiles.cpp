#include "StudioFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <string>

#include "ImportRun.h"
#include "StudioText.h"

namespace kvstudio {

bool HasSuffix(const QString& path, const char* suffix) {
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

QString ImportFilter(const KorvantaModelImporterInterface& importer) {
    QString description = QString::fromStdString(importer.GetDescription());
    if (const qsizetype pattern = description.indexOf(QLatin1String(" (")); pattern > 0) description.truncate(pattern);
    QStringList patterns;
    for (std::int32_t index = 0; index < importer.GetFileExtensionCount(); ++index) {
        const QString extension = QString::fromStdString(importer.GetFileExtension(index));
        patterns << QStringLiteral("*.") + extension.toLower() << QStringLiteral("*.") + extension.toUpper();
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

QString WhyDropRefused(const QMimeData* data, bool busy) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return Tr("Only files can be dropped here.");
    if (data->urls().size() != 1) {
        return TrCompose("Drop one file at a time: %s were dropped together.", {std::to_string(data->urls().size())});
    }
    const QString file = DraggedFile(data);
    if (file.isEmpty()) return Tr("Only files on this computer can be dropped here.");
    const std::string name = QFileInfo(file).fileName().toStdString();
    if (!HasSuffix(file, "3ds") && !HasSuffix(file, "kvm")) {
        return TrCompose("%s was not taken: kvstudio imports .3ds files and opens Korvanta models (.kvm).", {name});
    }
    if (busy) return TrCompose("%s was not taken: wait until the file in hand is imported or opened.", {name});
    return {};
}

QString ExportFolderFor(const QString& lastExportFolder, const QString& shownSource) {
    const QStringList candidates{lastExportFolder, QFileInfo(shownSource).absolutePath(),
                                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()};
    for (const QString& folder : candidates) {
        const QFileInfo info(folder);
        if (!folder.isEmpty() && info.isDir() && info.isWritable()) return info.absoluteFilePath();
    }
    return QDir::tempPath();
}

QString CopyFile(const QString& sourcePath, const QString& targetPath) {
    QFile source(sourcePath);
    QSaveFile target(targetPath);
    bool written = source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly);
    while (written && !source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        written = !block.isEmpty() && target.write(block) == block.size();
    }
    if (written && target.commit()) return {};
    return target.error() != QFileDevice::NoError ? target.errorString() : source.errorString();
}

void RemoveFolderInUse(const QString& folder) {
    const QString removing = folder + QStringLiteral(".removed");
    QDir(QDir::rootPath()).rename(folder, removing);
    QDir(QFile::exists(removing) ? removing : folder).removeRecursively();
}

QProgressDialog* MakeImportProgress(QWidget& parent, ImportRun& run, const QString& title) {
    auto* progress = new QProgressDialog(title, QString(), 0, 100, &parent);
    progress->setWindowTitle(Tr("Import"));
    // Not modal: the window goes on answering, and the import commands are
    // off until it is over.
    progress->setWindowModality(Qt::NonModal);
    progress->setCancelButton(new QPushButton(Tr("Cancel"), progress));
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setMinimumWidth(420);
    progress->setValue(0);
    QObject::connect(&run, &ImportRun::Progressed, progress,
            [progress](double percent) { progress->setValue(qBound(0, static_cast<int>(percent), 100)); });
    QObject::connect(&run, &ImportRun::MessageChanged, progress,
            [progress = progress, title](const QString& message, const QString& secondary) {
                QString text = title + QStringLiteral("\n") + message;
                if (!secondary.isEmpty()) text += QStringLiteral("\n") + secondary;
                progress->setLabelText(text);
            });
    return progress;
}

}  // namespace kvstudio
