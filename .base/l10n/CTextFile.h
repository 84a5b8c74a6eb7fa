#pragma once

#include <cstdint>
#include <cstdio>

#include "utils/Utf16String.h"

namespace hollin::l10n {

using hollin::utils::Utf16String;

enum TextEncoding : std::int32_t {
    Plain = 0,    // no byte-order mark: UTF-8, CR LF read as LF
    Utf8Bom = 1,  // UTF-8 after the mark EF BB BF
    Utf16 = 2,    // UTF-16 after the mark FF FE (little-endian) or FE FF (big-endian)
};

// Reads a text file line by line in the encoding its byte-order mark names.
class CTextFile {
public:
    CTextFile() = default;
    virtual ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // False when the file cannot be opened, is shorter than two bytes or
    // starts with FF FF.
    bool Open(const Utf16String& path);
    // The next line with its line end, at most 4095 bytes (UTF-8) or units
    // (UTF-16); the rest of a longer line comes as the next line. A UTF-8
    // line that is not well-formed reads as the empty text. False at the end
    // of the file.
    bool ReadLine(Utf16String& line);
    void Close();

    TextEncoding Encoding() const { return encoding_; }

private:
    bool ReadUtf8Line(Utf16String& line);
    bool ReadUtf16Line(Utf16String& line);
    // The next two bytes as one UTF-16 unit; false at the end of the file.
    bool ReadUnit(char16_t& unit);

    std::FILE* stream_ = nullptr;
    TextEncoding encoding_ = Plain;
    // Big-endian UTF-16.
    bool swapBytes_ = false;
};

}  // namespace hollin::l10n
