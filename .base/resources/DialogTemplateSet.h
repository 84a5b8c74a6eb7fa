#pragma once

#include <array>
#include <span>

#include "framework/DialogTemplate.h"

namespace hollin::resources {

// Every text of the two dialogs, UTF-8, in one language.
struct DialogTexts {
    const char* optionsCaption;
    const char* ok;
    const char* cancel;
    const char* mergeCoplanarFaces;
    const char* units;
    const char* scale;
    const char* geometry;
    const char* reportCaption;
    const char* close;
};

// The options dialog (kOptionsDialogId) and the results dialog
// (kReportDialogId) with the texts of one language. The templates point into
// the set, which therefore stays where it was made.
class DialogTemplateSet {
public:
    explicit DialogTemplateSet(const DialogTexts& texts);
    DialogTemplateSet(const DialogTemplateSet&) = delete;
    DialogTemplateSet& operator=(const DialogTemplateSet&) = delete;

    std::span<const hollin::framework::DialogTemplate> Templates() const { return templates_; }

private:
    std::array<hollin::framework::DialogControl, 7> optionsControls_;
    std::array<hollin::framework::DialogControl, 2> reportControls_;
    std::array<hollin::framework::DialogTemplate, 2> templates_;
};

const DialogTexts& EnglishDialogTexts();

// The library's own templates, in English.
std::span<const hollin::framework::DialogTemplate> BuiltInDialogTemplates();

// The texts of the language that a resource library is built for; each
// library defines it once.
const DialogTexts& TranslatedDialogTexts();

}  // namespace hollin::resources
