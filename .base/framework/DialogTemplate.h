#pragma once

#include <cstdint>
#include <span>

// Dialog templates as data: what a dialog window is made of, in dialog units
// (see DialogUnits.h), independent of the toolkit that draws it. Plain
// aggregates of fixed-size fields and UTF-8 texts, so that a resource library
// can hand them over through a C entry point.
namespace hollin::framework {

// Control ids that end a dialog.
inline constexpr std::int32_t IDOK = 1;
inline constexpr std::int32_t IDCANCEL = 2;
// The id of labels and frames that nobody looks up.
inline constexpr std::int32_t kNoControlId = -1;

enum class ControlKind : std::int32_t {
    PushButton,
    CheckBox,
    ComboBox,
    StaticText,
    GroupBox,
    EditBox,
};

// Style bits of a control; each kind reads the ones that apply to it.
namespace control_style {
inline constexpr std::uint32_t Visible = 1u << 0;
inline constexpr std::uint32_t TabStop = 1u << 1;
// Starts a group of controls that the arrow keys move within.
inline constexpr std::uint32_t Group = 1u << 2;
// The button that Enter presses.
inline constexpr std::uint32_t DefaultButton = 1u << 3;
// A check box that ticks and clears itself when clicked.
inline constexpr std::uint32_t AutoCheckBox = 1u << 4;
// A combo box whose text cannot be typed, only chosen from its list.
inline constexpr std::uint32_t DropDownList = 1u << 5;
inline constexpr std::uint32_t VerticalScroll = 1u << 6;
inline constexpr std::uint32_t RightAligned = 1u << 7;
inline constexpr std::uint32_t MultiLine = 1u << 8;
inline constexpr std::uint32_t ReadOnly = 1u << 9;
// An edit box that scrolls sideways instead of wrapping its lines.
inline constexpr std::uint32_t AutoHorizontalScroll = 1u << 10;
inline constexpr std::uint32_t Border = 1u << 11;
}  // namespace control_style

// Style bits of the dialog window itself.
namespace dialog_style {
inline constexpr std::uint32_t Popup = 1u << 0;
inline constexpr std::uint32_t ModalFrame = 1u << 1;
inline constexpr std::uint32_t Caption = 1u << 2;
// The window menu and the close box.
inline constexpr std::uint32_t SystemMenu = 1u << 3;
}  // namespace dialog_style

// A rectangle in dialog units, relative to the dialog's client area.
struct DialogRect {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

struct DialogControl {
    std::int32_t id;
    ControlKind kind;
    const char* text;  // UTF-8; null for none
    DialogRect rect;   // a combo box's height includes its opened list
    std::uint32_t style;
};

// Controls come in template order, which is also the Tab key's order.
struct DialogTemplate {
    std::int32_t id;
    const char* caption;   // UTF-8
    const char* fontName;  // as the template names it; drawn with the platform's UI font
    std::int32_t pointSize;
    std::int32_t width;    // of the client area, in dialog units
    std::int32_t height;
    std::uint32_t style;
    const DialogControl* controls;
    std::int32_t controlCount;

    std::span<const DialogControl> Controls() const {
        return {controls, static_cast<std::size_t>(controlCount)};
    }
};

// The C entry point through which a resource library hands out its dialog
// templates: fills `count` and returns the first of that many templates,
// which stay valid until the library is unloaded.
extern "C" using ResourceTemplatesFunction = const DialogTemplate*(std::int32_t* count);
inline constexpr char kResourceTemplatesEntryPoint[] = "KvResourceDialogTemplates";

}  // namespace hollin::framework
