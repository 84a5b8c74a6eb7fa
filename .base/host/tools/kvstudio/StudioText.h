#pragma once

#include <QString>

#include <initializer_list>
#include <string_view>

#include "HostText.h"

namespace kvstudio {

// The host programs' messages (see HostText.h) as Qt texts.
inline QString Tr(const char* english) {
    return QString::fromUtf8(kvhost::Translated(english));
}

inline QString TrCompose(const char* english, std::initializer_list<std::string_view> values) {
    return QString::fromStdString(kvhost::Compose(english, values));
}

}  // namespace kvstudio
