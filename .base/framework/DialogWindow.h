#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <QDialog>

#include "framework/DialogTemplate.h"

namespace hollin::framework {

class CDialog;

// Every control of a dialog window carries its template id under this
// property, so that code holding only the window can find the control.
inline constexpr char kControlIdProperty[] = "dialogControlId";

// The Qt window of an open CDialog: fixed size, its controls made from the
// template and placed by dialog units in the platform's UI font at the
// template's point size. OK, Cancel, Escape and the close box go to the
// dialog's OnOK and OnCancel.
class DialogWindow final : public QDialog {
public:
    DialogWindow(CDialog& owner, const DialogTemplate& dialogTemplate);

    // The first control of that id, in template order; null when none.
    QWidget* Control(std::int32_t id) const;
    // The control that the Tab key visits first; null when none.
    QWidget* FirstTabStop() const { return firstTabStop_; }

    void accept() override;
    void reject() override;
    void Finish(int result) { QDialog::done(result); }

private:
    CDialog& owner_;
    std::vector<std::pair<std::int32_t, QWidget*>> controls_;
    QWidget* firstTabStop_ = nullptr;
};

}  // namespace hollin::framework
