#pragma once

#include <string>

// The host's progress sink, handed to an importer for one conversion.
// Slot order is part of the plug-in ABI.
class HostProgressCallback {
public:
    virtual bool IsCancelled() = 0;                               // slot 0
    virtual void SetPercent(double percent) = 0;                  // slot 1
    virtual void SetSecondaryPercent(double percent) = 0;         // slot 2
    virtual void SetSecondaryMessage(const char* utf8Text) = 0;   // slot 3
    virtual void SetMessage(const std::string& utf8Message) = 0;  // slot 4

protected:
    ~HostProgressCallback() = default;
};
