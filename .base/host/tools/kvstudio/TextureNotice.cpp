#include "TextureNotice.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "StudioText.h"

namespace kvstudio {

namespace {

// More lines than this would push the view away; the rest is counted.
constexpr qsizetype kMostLinesShown = 4;

}  // namespace

TextureNotice::TextureNotice(QWidget* parent)
    : QFrame(parent),
      text_(new QLabel(this)),
      useHint_(new QPushButton(Tr("Use This Folder"), this)),
      choose_(new QPushButton(Tr("Choose Texture Folder..."), this)) {
    setObjectName(QStringLiteral("textureNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette tint = palette();
    tint.setColor(QPalette::Window, tint.color(QPalette::ToolTipBase));
    tint.setColor(QPalette::WindowText, tint.color(QPalette::ToolTipText));
    setPalette(tint);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    useHint_->setObjectName(QStringLiteral("useTextureFolderHint"));
    choose_->setObjectName(QStringLiteral("chooseTextureFolder"));
    const QString addsAndImports = Tr("Adds the folder to the texture folders and imports the file again.");
    useHint_->setToolTip(addsAndImports);
    choose_->setToolTip(addsAndImports);
    auto* close = new QToolButton(this);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(Tr("Close"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(useHint_, 0, Qt::AlignTop);
    layout->addWidget(choose_, 0, Qt::AlignTop);
    layout->addWidget(close, 0, Qt::AlignTop);

    connect(useHint_, &QPushButton::clicked, this, [this] { emit FolderChosen(hintFolder_); });
    connect(choose_, &QPushButton::clicked, this, &TextureNotice::ChooseFolder);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

void TextureNotice::ShowReport(const kvhost::TextureReport& report) {
    if (report.notLoaded.empty()) {
        hide();
        return;
    }
    QStringList lines;
    lines << Tr("Some textures could not be loaded:");
    for (qsizetype index = 0; index < static_cast<qsizetype>(report.notLoaded.size()); ++index) {
        if (index == kMostLinesShown) {
            lines << TrCompose("and %s more", {std::to_string(report.notLoaded.size() - kMostLinesShown)});
            break;
        }
        lines << QString::fromStdString(report.notLoaded[static_cast<std::size_t>(index)]);
    }
    hintFolder_.clear();
    if (report.hint) {
        hintFolder_ = QString::fromStdString(report.hint->folder);
        lines << TrCompose("They may be in %s.", {report.hint->folder});

    }
    useHint_->setVisible(report.hint.has_value());
    text_->setText(lines.join(QLatin1Char('\n')));
    show();
}

void TextureNotice::ChooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, Tr("Choose Texture Folder"), hintFolder_);
    if (!folder.isEmpty()) emit FolderChosen(folder);
}

}  // namespace kvstudio
