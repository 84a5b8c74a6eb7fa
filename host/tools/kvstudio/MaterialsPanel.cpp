#include "MaterialsPanel.h"

#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "StudioText.h"

namespace kvstudio {

namespace {

// The material's colour, over a checkerboard that shows through as it is clear.
QIcon Swatch(const QColor& colour, double opacity) {
    QPixmap swatch(kThumbnailPixels, kThumbnailPixels);
    swatch.fill(Qt::white);
    QPainter painter(&swatch);
    constexpr int kSquare = kThumbnailPixels / 4;
    for (int y = 0; y < kThumbnailPixels; y += kSquare) {
        for (int x = (y / kSquare % 2) * kSquare; x < kThumbnailPixels; x += 2 * kSquare) {
            painter.fillRect(x, y, kSquare, kSquare, QColor(0xc8, 0xc8, 0xc8));
        }
    }
    QColor seen = colour;
    seen.setAlphaF(static_cast<float>(std::clamp(opacity, 0.0, 1.0)));
    painter.fillRect(swatch.rect(), seen);
    painter.setPen(Qt::darkGray);
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    return QIcon(swatch);
}

QString Describe(const MaterialEntry& material) {
    const QLocale locale;
    QStringList lines{material.name.isEmpty() ? Tr("(no name)") : material.name};
    lines << TrCompose("colour %1$s, opacity %2$s %%",
                       {material.colour.name().toStdString(),
                        locale.toString(std::lround(material.opacity * 100)).toStdString()});
    if (material.texture) {
        const MaterialTexture& texture = *material.texture;
        if (!texture.whyNotLoaded.isEmpty()) {
            lines << texture.whyNotLoaded;
        } else {
            const std::string size = locale.toString(texture.size.width()).toStdString() + " × " +
                                     locale.toString(texture.size.height()).toStdString();
            lines << (texture.name.isEmpty() ? TrCompose("texture, %s pixels", {size})
                                             : TrCompose("texture %1$s, %2$s pixels", {texture.name.toStdString(), size}));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

MaterialsPanel::MaterialsPanel(QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)), chooseFolder_(new QPushButton(Tr("Choose Texture Folder..."), this)) {
    list_->setObjectName(QStringLiteral("materials"));
    list_->setIconSize(QSize(kThumbnailPixels, kThumbnailPixels));
    list_->setWordWrap(true);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    chooseFolder_->setObjectName(QStringLiteral("materialsTextureFolder"));
    chooseFolder_->setToolTip(Tr("Adds the folder to the texture folders and imports the file again."));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addWidget(chooseFolder_);
    connect(chooseFolder_, &QPushButton::clicked, this, &MaterialsPanel::TextureFolderWanted);
    Show({});
}

void MaterialsPanel::Show(const ModelContents& contents) {
    list_->clear();
    bool texturesMissing = false;
    for (const MaterialEntry& material : contents.materials) {
        const bool missing = material.texture && !material.texture->whyNotLoaded.isEmpty();
        texturesMissing = texturesMissing || missing;
        const bool thumbnail = material.texture && !material.texture->thumbnail.isNull();
        auto* item = new QListWidgetItem(thumbnail ? QIcon(QPixmap::fromImage(material.texture->thumbnail))
                                                   : Swatch(material.colour, material.opacity),
                                         Describe(material), list_);
        item->setToolTip(item->text());
        if (missing) item->setForeground(palette().color(QPalette::Disabled, QPalette::WindowText).darker(150));
    }
    chooseFolder_->setVisible(texturesMissing);
}

}  // namespace kvstudio
