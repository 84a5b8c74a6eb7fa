#include "plugin/ProgressAdapterFromAPI.h"

#include <string>

#include "utils/Utf16String.h"

namespace hollin::importer {

bool ProgressAdapterFromAPI::IsCancelled() {
    return host_ != nullptr && host_->IsCancelled();
}

void ProgressAdapterFromAPI::SetPercent(double percent) {
    if (host_ != nullptr) host_->SetPercent(percent);
}

void ProgressAdapterFromAPI::AuxiliaryOperation1(double percent) {
    if (host_ != nullptr) host_->SetSecondaryPercent(percent);
}

void ProgressAdapterFromAPI::AuxiliaryOperation2(const char* utf8Text) {
    if (host_ != nullptr) host_->SetSecondaryMessage(utf8Text);
}

void ProgressAdapterFromAPI::SetMessage(const char16_t* text) {
    if (host_ == nullptr) return;
    const std::string message = hollin::utils::Utf16String(text).ToUtf8();
    host_->SetMessage(message);
}

}  // namespace hollin::importer
