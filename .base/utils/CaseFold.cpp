#include "CaseFold.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace hollin::utils {

std::u16string FoldCase(std::u16string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* composed = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString folded(text.data(), static_cast<int32_t>(text.size()));
    if (U_SUCCESS(status)) {
        // Unpaired surrogates survive normalization unchanged, so a name
        // that is not valid UTF-16 still folds to something stable.
        icu::UnicodeString normalized = composed->normalize(folded, status);
        if (U_SUCCESS(status)) folded = std::move(normalized);
    }
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    return std::u16string(folded.getBuffer(), static_cast<std::size_t>(folded.length()));
}

}  // namespace hollin::utils
