#include "resources/DialogTemplateSet.h"

#include "resources/ResourceIds.h"

namespace hollin::resources {

using namespace hollin::framework;
using namespace hollin::framework::control_style;

namespace {

constexpr std::uint32_t kDialogStyle =
    dialog_style::Popup | dialog_style::ModalFrame | dialog_style::Caption | dialog_style::SystemMenu;
constexpr const char* kDialogFont = "MS Shell Dlg";
constexpr std::int32_t kDialogPointSize = 8;

}  // namespace

const DialogTexts& EnglishDialogTexts() {
    static constexpr DialogTexts texts = {
        .optionsCaption = "3DS Import Options",
        .ok = "OK",
        .cancel = "Cancel",
        .mergeCoplanarFaces = "Merge coplanar faces",
        .units = "Units:",
        .scale = "Scale",
        .geometry = "Geometry",
        .reportCaption = "Import Results",
        .close = "Close",
    };
    return texts;
}

DialogTemplateSet::DialogTemplateSet(const DialogTexts& texts)
    : optionsControls_{{
          {IDOK, ControlKind::PushButton, texts.ok, {80, 85, 50, 14}, Visible | DefaultButton | TabStop},
          {IDCANCEL, ControlKind::PushButton, texts.cancel, {132, 85, 50, 14}, Visible | TabStop},
          {kMergeCoplanarFacesCheckId, ControlKind::CheckBox, texts.mergeCoplanarFaces, {11, 19, 168, 12},
           Visible | AutoCheckBox | TabStop},
          {kUnitListId, ControlKind::ComboBox, nullptr, {57, 57, 97, 49},
           Visible | DropDownList | VerticalScroll | TabStop},
          {kNoControlId, ControlKind::StaticText, texts.units, {10, 59, 43, 8}, Visible | RightAligned | Group},
          {kNoControlId, ControlKind::GroupBox, texts.scale, {5, 43, 177, 38}, Visible},
          {kNoControlId, ControlKind::GroupBox, texts.geometry, {5, 5, 177, 35}, Visible},
      }},
      reportControls_{{
          {IDOK, ControlKind::PushButton, texts.close, {131, 156, 50, 14}, Visible | DefaultButton | TabStop},
          {kReportTextId, ControlKind::EditBox, nullptr, {5, 5, 176, 146},
           Visible | MultiLine | ReadOnly | AutoHorizontalScroll | Border | TabStop},
      }},
      templates_{{
          {kOptionsDialogId, texts.optionsCaption, kDialogFont, kDialogPointSize, 187, 104, kDialogStyle,
           optionsControls_.data(), static_cast<std::int32_t>(optionsControls_.size())},
          {kReportDialogId, texts.reportCaption, kDialogFont, kDialogPointSize, 186, 175, kDialogStyle,
           reportControls_.data(), static_cast<std::int32_t>(reportControls_.size())},
      }} {}

std::span<const DialogTemplate> BuiltInDialogTemplates() {
    static const DialogTemplateSet english(EnglishDialogTexts());
    return english.Templates();
}

}  // namespace hollin::resources
