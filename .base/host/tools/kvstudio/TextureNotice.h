#pragma once

#include <QFrame>
#include <QString>

#include <optional>

#include "TextureReport.h"

class QLabel;
class QPushButton;

namespace kvstudio {

// A bar above the view after an import whose textures were not all loaded:
// which ones and why, where the missing images probably are, and a way to
// give a texture folder and import again with it.
class TextureNotice final : public QFrame {
    Q_OBJECT
public:
    explicit TextureNotice(QWidget* parent = nullptr);

    // Shows the report of an import, or hides the bar when every texture loaded.
    void ShowReport(const kvhost::TextureReport& report);
    // Asks for a folder, starting at the one the missing images may be in.
    void ChooseFolder();

signals:
    // The user gave a folder to look for textures in.
    void FolderChosen(const QString& folder);

private:
    QLabel* text_;
    QPushButton* useHint_;
    QPushButton* choose_;
    QString hintFolder_;
};

}  // namespace kvstudio
