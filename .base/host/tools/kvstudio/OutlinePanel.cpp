#include "OutlinePanel.h"

#include <QHeaderView>
#include <QLocale>

#include "StudioText.h"

namespace kvstudio {

namespace {

// Where an item leads in the view: the instance path, kept as a list.
constexpr int kPathRole = Qt::UserRole;

QString Count(std::size_t value) {
    return QLocale().toString(static_cast<qulonglong>(value));
}

QVariant PathValue(const std::vector<int>& path) {
    QVariantList list;
    for (const int index : path) list << index;
    return list;
}

// The first placement of each definition, in the file's order.
void FirstPlacements(const std::vector<PlacedPart>& parts, std::vector<const PlacedPart*>& first) {
    for (const PlacedPart& part : parts) {
        if (part.definition < first.size() && first[part.definition] == nullptr) first[part.definition] = &part;
        FirstPlacements(part.parts, first);
    }
}

}  // namespace

OutlinePanel::OutlinePanel(QWidget* parent)
    : QTreeWidget(parent), definitions_(new QTreeWidgetItem(this)), instances_(new QTreeWidgetItem(this)) {
    setObjectName(QStringLiteral("outline"));
    setColumnCount(2);
    setHeaderLabels({Tr("Name"), Tr("Faces")});
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    definitions_->setFlags(Qt::ItemIsEnabled);
    instances_->setFlags(Qt::ItemIsEnabled);
    Show({});
    connect(this, &QTreeWidget::itemSelectionChanged, this, &OutlinePanel::OnSelectionChanged);
}

void OutlinePanel::Show(const ModelContents& contents) {
    const QSignalBlocker quiet(this);
    qDeleteAll(definitions_->takeChildren());
    qDeleteAll(instances_->takeChildren());
    topLevelFaces_ = contents.topLevelFaces > 0;
    std::vector<const PlacedPart*> first(contents.definitions.size(), nullptr);
    FirstPlacements(contents.instances, first);
    for (std::size_t index = 0; index < contents.definitions.size(); ++index) {
        const PartDefinition& definition = contents.definitions[index];
        auto* item = new QTreeWidgetItem(definitions_, {definition.name, Count(definition.faces)});
        item->setToolTip(0, TrCompose("Placed %s times", {Count(definition.placements).toStdString()}));
        item->setTextAlignment(1, Qt::AlignRight);
        if (first[index] != nullptr) item->setData(0, kPathRole, PathValue(first[index]->path));
    }
    AddParts(*instances_, contents.instances);
    if (contents.partsNotListed > 0) {
        new QTreeWidgetItem(instances_, {TrCompose("and %s more", {Count(contents.partsNotListed).toStdString()})});
    }
    definitions_->setText(0, TrCompose("Definitions (%s)", {Count(contents.definitions.size()).toStdString()}));
    instances_->setText(0, TrCompose("Instances (%s)", {Count(contents.instances.size()).toStdString()}));
    definitions_->setExpanded(true);
    instances_->setExpanded(true);
}

void OutlinePanel::AddParts(QTreeWidgetItem& parent, const std::vector<PlacedPart>& parts) {
    for (const PlacedPart& part : parts) {
        auto* item = new QTreeWidgetItem(&parent, {part.name, Count(part.faces)});
        item->setTextAlignment(1, Qt::AlignRight);
        item->setData(0, kPathRole, PathValue(part.path));
        AddParts(*item, part.parts);
    }
}

bool OutlinePanel::SelectByName(const QString& name, bool definition) {
    QTreeWidgetItem* group = definition ? definitions_ : instances_;
    for (int index = 0; index < group->childCount(); ++index) {
        if (group->child(index)->text(0) == name) {
            setCurrentItem(group->child(index));
            return true;
        }
    }
    return false;
}

void OutlinePanel::OnSelectionChanged() {
    std::vector<int> path;
    const QList<QTreeWidgetItem*> chosen = selectedItems();
    if (!chosen.isEmpty()) {
        for (const QVariant& index : chosen.front()->data(0, kPathRole).toList()) path.push_back(index.toInt());
    }
    emit PartPicked(path, topLevelFaces_);
}

}  // namespace kvstudio
