#pragma once

#include <cstdint>

namespace hollin::utils {

// How long work tells its caller how far it has come and learns whether the
// user has cancelled. Slot order is fixed: hosts call through the vtable.
class IProgressCallback {
public:
    virtual ~IProgressCallback() = default;
    virtual bool IsCancelled() = 0;
    // Share of the work done in percent, nominally 0 to 100, not clamped.
    virtual void SetPercent(double percent) = 0;
    virtual void AuxiliaryOperation1(double percent) = 0;
    virtual void AuxiliaryOperation2(const char* utf8Text) = 0;
    virtual void SetMessage(const char16_t* text) = 0;
    // Multiplies first: done * 100 / total; a total of 0 gives inf or NaN.
    virtual void SetPercentFromCounts(std::int64_t done, std::int64_t total) {
        SetPercent(static_cast<double>(done) * 100.0 / static_cast<double>(total));
    }
};

}  // namespace hollin::utils
