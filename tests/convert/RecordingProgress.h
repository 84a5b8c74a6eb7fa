#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "utils/IProgressCallback.h"
#include "utils/Utf16String.h"

namespace hollin::importer::testing {

struct ProgressEvent {
    enum class Kind { Percent, Message } kind;
    double percent = 0.0;
    std::string message;
};

// Records percents and messages in the order they arrive; can play a user who
// cancels as soon as a given message has been shown.
class RecordingProgress : public hollin::utils::IProgressCallback {
public:
    void CancelAfterMessageStartingWith(std::string prefix) { cancelPrefix_ = std::move(prefix); }
    void CancelFromTheStart() { cancelled_ = true; }

    bool IsCancelled() override {
        ++cancellationQueries;
        return cancelled_;
    }
    void SetPercent(double percent) override { events.push_back({ProgressEvent::Kind::Percent, percent, {}}); }
    void AuxiliaryOperation1(double) override {}
    void AuxiliaryOperation2(const char*) override {}
    void SetMessage(const char16_t* text) override {
        std::string message = hollin::utils::Utf16String(text).ToUtf8();
        if (!cancelPrefix_.empty() && message.rfind(cancelPrefix_, 0) == 0) cancelled_ = true;
        events.push_back({ProgressEvent::Kind::Message, 0.0, std::move(message)});
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const ProgressEvent& event : events) {
            if (event.kind == ProgressEvent::Kind::Message) messages.push_back(event.message);
        }
        return messages;
    }
    std::vector<double> Percents() const {
        std::vector<double> percents;
        for (const ProgressEvent& event : events) {
            if (event.kind == ProgressEvent::Kind::Percent) percents.push_back(event.percent);
        }
        return percents;
    }

    std::vector<ProgressEvent> events;
    std::size_t cancellationQueries = 0;

private:
    std::string cancelPrefix_;
    bool cancelled_ = false;
};

}  // namespace hollin::importer::testing
