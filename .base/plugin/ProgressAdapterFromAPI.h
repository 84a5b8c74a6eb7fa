#pragma once

#include <cstdint>

#include "HostProgressCallback.h"
#include "utils/IProgressCallback.h"

namespace hollin::importer {

// Lets the converter report to the host's progress sink for one conversion.
// The host object is borrowed and may be null, in which case every report
// goes nowhere and the work is never cancelled.
class ProgressAdapterFromAPI final : public hollin::utils::IProgressCallback {
public:
    explicit ProgressAdapterFromAPI(HostProgressCallback* host) : host_(host) {}
    ~ProgressAdapterFromAPI() override = default;
    ProgressAdapterFromAPI(const ProgressAdapterFromAPI&) = delete;
    ProgressAdapterFromAPI& operator=(const ProgressAdapterFromAPI&) = delete;

    bool IsCancelled() override;
    void SetPercent(double percent) override;
    void AuxiliaryOperation1(double percent) override;
    void AuxiliaryOperation2(const char* utf8Text) override;
    // The host takes UTF-8; a null text arrives as the empty string.
    void SetMessage(const char16_t* text) override;

private:
    HostProgressCallback* const host_;
};

}  // namespace hollin::importer
