#include "l10n/CTextFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "utils/WholeFile.h"

namespace hollin::l10n {

namespace {

constexpr std::size_t kLineBufferBytes = 4096;
constexpr std::size_t kMostUnitsPerLine = 4095;
constexpr char16_t kLineSeparator = u'\u2028';

}  // namespace

CTextFile::~CTextFile() {
    Close();
}

bool CTextFile::Open(const Utf16String& path) {
    Close();
    encoding_ = Plain;
    swapBytes_ = false;
    if (path.IsEmpty()) return false;
    // Opened so that a FIFO in the file's place is refused, not waited on.
    const int descriptor = hollin::utils::OpenRegularFile(path.ToUtf8());
    if (descriptor < 0) return false;
    stream_ = ::fdopen(descriptor, "rb");
    if (stream_ == nullptr) {
        ::close(descriptor);
        return false;
    }

    char16_t mark = 0;
    if (!ReadUnit(mark) || mark == 0xFFFF) {
        Close();
        return false;
    }
    if (mark == 0xFEFF || mark == 0xFFFE) {
        swapBytes_ = mark == 0xFFFE;
        encoding_ = Utf16;
        return true;
    }
    if (mark == 0xBBEF && std::fgetc(stream_) == 0xBF) {
        encoding_ = Utf8Bom;
        return true;
    }
    std::rewind(stream_);
    return true;
}

bool CTextFile::ReadLine(Utf16String& line) {
    if (stream_ == nullptr) return false;
    switch (encoding_) {
        case Plain:
        case Utf8Bom:
            return ReadUtf8Line(line);
        case Utf16:
            return ReadUtf16Line(line);
    }
    return false;
}

void CTextFile::Close() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
}

bool CTextFile::ReadUtf8Line(Utf16String& line) {
    char buffer[kLineBufferBytes];
    if (std::fgets(buffer, sizeof buffer, stream_) == nullptr) return false;
    // The line ends at its first NUL byte.
    std::size_t length = std::strlen(buffer);
    // Text mode: a CR LF pair reads as LF.
    if (encoding_ == Plain && length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
        buffer[length - 2] = '\n';
        --length;
    }
    line = Utf16String::FromUtf8(buffer, length);
    return true;
}

bool CTextFile::ReadUtf16Line(Utf16String& line) {
    std::u16string units;
    char16_t unit = 0;
    while (units.size() < kMostUnitsPerLine && ReadUnit(unit)) {
        if (unit == kLineSeparator) unit = u'\n';
        units.push_back(unit);
        if (unit == u'\n') break;
    }
    if (units.empty()) return false;
    // The line ends at its first NUL unit.
    units.resize(std::char_traits<char16_t>::length(units.c_str()));
    line = Utf16String(std::move(units));
    return true;
}

bool CTextFile::ReadUnit(char16_t& unit) {
    const int low = std::fgetc(stream_);
    if (low == EOF) return false;
    const int high = std::fgetc(stream_);
    if (high == EOF) return false;
    unit = swapBytes_ ? static_cast<char16_t>((low << 8) | high) : static_cast<char16_t>((high << 8) | low);
    return true;
}

}  // namespace hollin::l10n
