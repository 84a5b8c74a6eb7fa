#pragma once

#include <QWidget>

#include "ModelContents.h"

class QListWidget;
class QPushButton;

namespace kvstudio {

// The model's materials: colour, opacity and texture (a thumbnail and its
// size), and for a texture that was not loaded its name, where it was looked
// for and why, with a way to give the folder it is in.
class MaterialsPanel final : public QWidget {
    Q_OBJECT
public:
    explicit MaterialsPanel(QWidget* parent = nullptr);

    void Show(const ModelContents& contents);

signals:
    // The user asked to pick a folder to look for the missing textures in.
    void TextureFolderWanted();

private:
    QListWidget* list_;
    QPushButton* chooseFolder_;
};

}  // namespace kvstudio
