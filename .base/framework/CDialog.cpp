#include "framework/CDialog.h"

#include <QApplication>
#include <QScopeGuard>

#include "framework/DataExchange.h"
#include "framework/DialogWindow.h"
#include "framework/ModuleState.h"

namespace hollin::framework {

bool CanShowWindows() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

CDialog::~CDialog() = default;

std::intptr_t CDialog::DoModal() {
    if (!CanShowWindows()) return -1;
    const ModuleState* state = AfxGetModuleState();
    const DialogTemplate* dialogTemplate = state == nullptr ? nullptr : state->FindDialogTemplate(templateId_);
    if (dialogTemplate == nullptr) return -1;

    DialogWindow window(*this, *dialogTemplate);
    window_ = &window;
    const auto closed = qScopeGuard([this] { window_ = nullptr; });
    if (OnInitDialog() && window.FirstTabStop() != nullptr) window.FirstTabStop()->setFocus();
    return window.exec();
}

QWidget* CDialog::GetDlgItem(std::int32_t id) const {
    return window_ == nullptr ? nullptr : window_->Control(id);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange* /*exchange*/) {}

void CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(&exchange);
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
    if (window_ != nullptr) window_->Finish(result);
}

}  // namespace hollin::framework
