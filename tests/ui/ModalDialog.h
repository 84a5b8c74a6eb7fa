#pragma once

// Driving modal dialogs from a test: the dialog's own event loop runs the
// test's steps once the dialog is up.

#include <gtest/gtest.h>

#include <QWidget>

#include <functional>

#include "WhenDialogOpens.h"
#include "framework/DialogWindow.h"

namespace dialog_tests {

// Calls `open`, which is expected to show a modal dialog and return once it
// ends; meanwhile `act` runs on the open dialog and must end it. Returns the
// number of dialogs seen (0 when `open` showed none).
inline int WithModalDialog(const std::function<void()>& open, const std::function<void(QWidget&)>& act) {
    int seen = 0;
    const QPointer<QTimer> answer = WhenDialogOpens([&](QDialog& dialog) {
        ++seen;
        act(dialog);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the test left the dialog open";
            dialog.close();
        }
    });
    open();
    delete answer;  // when `open` showed none
    return seen;
}

// The control of an open dialog with that template id.
template <typename Control = QWidget>
Control* ControlOf(QWidget& dialog, int id) {
    for (Control* control : dialog.findChildren<Control*>()) {
        if (control->property(hollin::framework::kControlIdProperty).toInt() == id) return control;
    }
    return nullptr;
}

}  // namespace dialog_tests
