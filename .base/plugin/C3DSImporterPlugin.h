#pragma once

#include <cstdint>
#include <string>

#include "KorvantaModelImporterInterface.h"
#include "utils/Utf16String.h"

namespace hollin::importer {

// The importer as the host sees it, without anything that shows a window.
// Keeps the report of the last conversion until the host asks for it.
class C3DSImporterPlugin : public KorvantaModelImporterInterface {
public:
    C3DSImporterPlugin() = default;
    C3DSImporterPlugin(const C3DSImporterPlugin&) = delete;
    C3DSImporterPlugin& operator=(const C3DSImporterPlugin&) = delete;

    std::string GetIdentifier() const override;
    std::int32_t GetFileExtensionCount() const override;
    std::string GetFileExtension(std::int32_t index) const override;
    std::string GetDescription() const override;
    bool SupportsOptions() const override;
    bool ConvertToModel(const std::string& inputPath, const std::string& outputPath, HostProgressCallback* progress,
                        ImportOptions* options) override;
    // Hands a pending report to ShowSummaryDialog once, then drops it.
    void ShowSummary() override;
    std::int32_t HostQueryInt() const override;

    virtual void ShowSummaryDialog(const hollin::utils::Utf16String& report) = 0;

protected:
    ~C3DSImporterPlugin() = default;

private:
    hollin::utils::Utf16String pendingReport_;
};

}  // namespace hollin::importer
