#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;

namespace kvstudio {

// File > Open Recent: the files last imported or opened, newest first,
// kept in kvstudio's own settings (QSettings), not in the import's
// preference store.
class RecentFiles final : public QObject {
    Q_OBJECT
public:
    explicit RecentFiles(QMenu& menu, QObject* parent = nullptr);

    void Add(const QString& path);
    QStringList Files() const;

signals:
    void Chosen(const QString& path);

private:
    void Fill();

    QMenu& menu_;
};

}  // namespace kvstudio
