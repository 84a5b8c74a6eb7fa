#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <variant>

#include "Utf16String.h"

namespace hollin::utils {

// One argument of Format: "%s" takes a text, "%d"/"%i" a 32-bit signed integer.
class FormatArgument {
public:
    FormatArgument(const Utf16String& text) : value_(&text) {}  // NOLINT(google-explicit-constructor)
    template <typename Integer>
        requires(std::is_integral_v<Integer> && !std::is_same_v<Integer, bool> && sizeof(Integer) <= 4)
    FormatArgument(Integer number) : value_(static_cast<std::int32_t>(number)) {}  // NOLINT

    const Utf16String* Text() const;
    const std::int32_t* Integer() const;

private:
    std::variant<const Utf16String*, std::int32_t> value_;
};

// Rewrites message-resource positional markers (%1!s!, %2!d!, "%1 ") into
// printf positional syntax (%1$s, %2$d, "%1$s ").
Utf16String RewritePositionalMarkers(const Utf16String& format);

// printf-style formatting over the subset the system uses: %s, %d, %i, %%,
// flags, width and precision, and positional %N$ conversions (not mixed with
// plain ones). An empty format leaves the target unchanged; a format that
// cannot be applied to the arguments makes the target empty.
void FormatWithArguments(Utf16String& target, const Utf16String& format, std::span<const FormatArgument> arguments);

template <typename... Arguments>
void Format(Utf16String& target, const Utf16String& format, const Arguments&... arguments) {
    // One full expression: texts converted from literals ("abc") live until the call returns.
    FormatWithArguments(target, format,
                        std::span<const FormatArgument>(std::initializer_list<FormatArgument>{FormatArgument(arguments)...}));
}

// Convenience: the formatted text as a new value.
template <typename... Arguments>
Utf16String Formatted(const Utf16String& format, const Arguments&... arguments) {
    Utf16String result;
    Format(result, format, arguments...);
    return result;
}

}  // namespace hollin::utils
