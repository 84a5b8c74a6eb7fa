#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QListWidget;

namespace kvstudio {

// Edit > Texture Folders: the folders searched, in order, for textures that
// are not in a model's own folder.
class TextureFoldersDialog final : public QDialog {
    Q_OBJECT
public:
    TextureFoldersDialog(const std::vector<std::string>& folders, QWidget* parent = nullptr);

    std::vector<std::string> Folders() const;

private:
    void Add();
    void MoveCurrent(int step);
    void SayWhatIsSearched();

    QListWidget* list_;
    QLabel* overLimit_;
};

}  // namespace kvstudio
