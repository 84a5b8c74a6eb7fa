// A language's resource library, Resources/<language>/3DSImporterRc.so: the
// importer's dialog templates with that language's texts, which the importer
// shows in place of its own English ones.

#include <cstdint>
#include <type_traits>

#include "framework/DialogTemplate.h"
#include "resources/DialogTemplateSet.h"

extern "C" __attribute__((visibility("default"))) const hollin::framework::DialogTemplate* KvResourceDialogTemplates(
    std::int32_t* count) {
    static const hollin::resources::DialogTemplateSet templates(hollin::resources::TranslatedDialogTexts());
    *count = static_cast<std::int32_t>(templates.Templates().size());
    return templates.Templates().data();
}

// The entry point has the type that the importer looks it up with.
static_assert(std::is_same_v<decltype(KvResourceDialogTemplates), hollin::framework::ResourceTemplatesFunction>);
