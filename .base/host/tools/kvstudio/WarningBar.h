#pragma once

#include <QLabel>

namespace kvstudio {

// A bar above the view that says what is wrong with the model shown, such
// as a file that loaded only in part, until the next model.
class WarningBar final : public QLabel {
    Q_OBJECT
public:
    explicit WarningBar(QWidget* parent = nullptr);

    // Shows the text, or hides the bar when it is empty.
    void Say(const QString& text);
};

}  // namespace kvstudio
