#pragma once

#include <QTreeWidget>

#include <vector>

#include "ModelContents.h"

namespace kvstudio {

// The model's outline: its component definitions with their faces and how
// often each is placed, and its instances as placed, with the faces each
// brings. Picking one asks for it to be marked in the view.
class OutlinePanel final : public QTreeWidget {
    Q_OBJECT
public:
    explicit OutlinePanel(QWidget* parent = nullptr);

    void Show(const ModelContents& contents);
    // Selects the instance with this name (of the first definition so named
    // when a definition is meant), as a click on it does.
    bool SelectByName(const QString& name, bool definition);

signals:
    // An instance (the indices from the top level) or a definition (its
    // first placement) was picked; an empty path when nothing is.
    void PartPicked(const std::vector<int>& instancePath, bool topLevelFaces);

private:
    void AddParts(QTreeWidgetItem& parent, const std::vector<PlacedPart>& parts);
    void OnSelectionChanged();

    QTreeWidgetItem* definitions_;
    QTreeWidgetItem* instances_;
    bool topLevelFaces_ = false;
};

}  // namespace kvstudio
