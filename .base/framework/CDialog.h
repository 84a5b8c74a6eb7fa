#pragma once

#include <cstdint>

#include <QWidget>

#include "framework/DialogTemplate.h"

namespace hollin::framework {

class CDataExchange;
class DialogWindow;

// True when the process runs a Qt application, the one kind of host in which
// windows can be shown.
bool CanShowWindows();

// A modal dialog made from a dialog template of the current module state
// (see ModuleState.h) and drawn with Qt Widgets. Subclasses move their data
// in and out of the controls in DoDataExchange and finish setting the
// controls up in OnInitDialog.
class CDialog {
public:
    explicit CDialog(std::int32_t templateId) : templateId_(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog and returns once it ends: IDOK when OK ended it,
    // IDCANCEL for Cancel, Escape or the close box. -1 when it cannot be
    // shown: the process runs no Qt application, or the current module has
    // no template of this id.
    virtual std::intptr_t DoModal();

    // The control with this id while the dialog is open; otherwise null.
    QWidget* GetDlgItem(std::int32_t id) const;

protected:
    // Moves the data into the controls. True puts the keyboard focus on the
    // template's first tab stop; false leaves it where the subclass put it.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* exchange);
    // Runs DoDataExchange in one direction: from the controls when
    // `saveAndValidate`, into them otherwise.
    void UpdateData(bool saveAndValidate);
    // OK: takes the data from the controls and ends the dialog with IDOK.
    virtual void OnOK();
    // Cancel, Escape and the close box: ends the dialog with IDCANCEL.
    virtual void OnCancel();
    void EndDialog(int result);

private:
    friend class DialogWindow;

    std::int32_t templateId_;
    DialogWindow* window_ = nullptr;  // only while DoModal runs
};

}  // namespace hollin::framework
