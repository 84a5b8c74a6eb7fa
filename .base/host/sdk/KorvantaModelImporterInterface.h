#pragma once

#include <cstdint>
#include <string>

#include "HostProgressCallback.h"
#include "ImportOptions.h"

// What the host asks of an importer plug-in. The vtable slot order is the
// plug-in ABI; texts are UTF-8. The host never deletes an importer: the
// plug-in owns it, hence no virtual destructor.
class KorvantaModelImporterInterface {
public:
    virtual std::string GetIdentifier() const = 0;                       // slot 0
    virtual std::int32_t GetFileExtensionCount() const = 0;              // slot 1
    virtual std::string GetFileExtension(std::int32_t index) const = 0;  // slot 2
    virtual std::string GetDescription() const = 0;                      // slot 3
    virtual bool SupportsOptions() const { return false; }               // slot 4
    virtual void ShowOptionsDialog() {}                                  // slot 5
    virtual bool HostQueryBool() const { return true; }                  // slot 6
    virtual bool ConvertToModel(const std::string& inputPath, const std::string& outputPath,
                                HostProgressCallback* progress, ImportOptions* options) = 0;  // slot 7
    virtual void ShowSummary() {}                                        // slot 8
    virtual std::int32_t HostQueryInt() const { return 0; }              // slot 9

protected:
    ~KorvantaModelImporterInterface() = default;
};

// Every importer plug-in exports this one function.
extern "C" using GetKorvantaModelImporterInterfaceFunction = KorvantaModelImporterInterface*();
inline constexpr const char* kImporterEntryPointName = "GetKorvantaModelImporterInterface";
