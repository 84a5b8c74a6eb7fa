#include "TextureFoldersDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "StudioText.h"
#include "TextureFolders.h"
#include "settings/TextureFolderList.h"

namespace kvstudio {

TextureFoldersDialog::TextureFoldersDialog(const std::vector<std::string>& folders, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)), overLimit_(new QLabel(this)) {
    setWindowTitle(Tr("Texture Folders"));
    for (const std::string& folder : folders) list_->addItem(QString::fromStdString(folder));
    list_->setCurrentRow(0);
    list_->setMinimumWidth(420);

    auto* explanation = new QLabel(
        Tr("Textures that are not in a model's folder are looked for in these folders and their sub-folders, "
           "from the top down."),
        this);
    explanation->setWordWrap(true);
    overLimit_->setWordWrap(true);
    auto* add = new QPushButton(Tr("&Add..."), this);
    auto* remove = new QPushButton(Tr("&Remove"), this);
    auto* up = new QPushButton(Tr("Move &Up"), this);
    auto* down = new QPushButton(Tr("Move &Down"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(explanation, 0, 0, 1, 2);
    layout->addWidget(list_, 1, 0, 5, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->addWidget(up, 3, 1);
    layout->addWidget(down, 4, 1);
    layout->setRowStretch(5, 1);
    layout->addWidget(overLimit_, 6, 0, 1, 2);
    layout->addWidget(buttons, 7, 0, 1, 2);
    SayWhatIsSearched();

    connect(add, &QPushButton::clicked, this, &TextureFoldersDialog::Add);
    connect(remove, &QPushButton::clicked, this, [this] {
        delete list_->currentItem();
        SayWhatIsSearched();
    });
    connect(up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::vector<std::string> TextureFoldersDialog::Folders() const {
    std::vector<std::string> folders;
    for (int row = 0; row < list_->count(); ++row) folders.push_back(list_->item(row)->text().toStdString());
    return folders;
}

void TextureFoldersDialog::Add() {
    const QString folder = QFileDialog::getExistingDirectory(this, Tr("Add Texture Folder"));
    if (folder.isEmpty() || !list_->findItems(folder, Qt::MatchExactly).isEmpty()) return;
    list_->addItem(folder);
    list_->setCurrentRow(list_->count() - 1);
    SayWhatIsSearched();
}

void TextureFoldersDialog::SayWhatIsSearched() {
    const auto count = static_cast<std::size_t>(list_->count());
    const bool over = count > hollin::settings::kMaxTextureFolders;
    overLimit_->setText(over ? QString::fromStdString(kvhost::DroppedFoldersNote(count - hollin::settings::kMaxTextureFolders))
                             : QString());
    overLimit_->setVisible(over);
}

void TextureFoldersDialog::MoveCurrent(int step) {
    const int row = list_->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= list_->count()) return;
    list_->insertItem(target, list_->takeItem(row));
    list_->setCurrentRow(target);
}

}  // namespace kvstudio
