#include "RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "StudioText.h"

namespace kvstudio {

namespace {

constexpr qsizetype kMostFiles = 8;
const char* const kKey = "recentFiles";

}  // namespace

RecentFiles::RecentFiles(QMenu& menu, QObject* parent) : QObject(parent), menu_(menu) {
    menu_.setObjectName(QStringLiteral("openRecent"));
    Fill();
}

QStringList RecentFiles::Files() const {
    return QSettings().value(QLatin1String(kKey)).toStringList();
}

void RecentFiles::Add(const QString& path) {
    QStringList files = Files();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    QSettings().setValue(QLatin1String(kKey), files.mid(0, kMostFiles));
    Fill();
}

void RecentFiles::Fill() {
    menu_.clear();
    const QStringList files = Files();
    for (qsizetype index = 0; index < files.size(); ++index) {
        const QString& file = files[index];
        // "&1 courtyard.3ds": the number is the key that picks it.
        QAction* action = menu_.addAction(QStringLiteral("&%1 %2").arg(index + 1).arg(QFileInfo(file).fileName()));
        action->setToolTip(file);
        action->setStatusTip(file);
        connect(action, &QAction::triggered, this, [this, file] { emit Chosen(file); });
    }
    if (files.isEmpty()) {
        menu_.addAction(Tr("No recent files"))->setEnabled(false);
        return;
    }
    menu_.addSeparator();
    connect(menu_.addAction(Tr("Clear Recent Files")), &QAction::triggered, this, [this] {
        QSettings().remove(QLatin1String(kKey));
        Fill();
    });
}

}  // namespace kvstudio
