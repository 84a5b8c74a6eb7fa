#include "JsonFileReasons.h"

#include <cstdint>
#include <cstring>

#include "HostText.h"
#include "Preferences.h"
#include "StrictJson.h"

namespace kvhost {
namespace {

using korvanta::DescribeJsonFault;
using korvanta::JsonFault;

// The reason with where in the file it applies, when that is known.
std::string Placed(const std::string& reason, const std::string& member, std::uint64_t offset) {
    if (!member.empty()) return Compose("%1$s, at %2$s", {reason, member});
    if (offset != 0) return Compose("%1$s, at byte %2$s", {reason, std::to_string(offset)});
    return reason;
}

}  // namespace

std::string WhyModelFileNotRead(const KVModelFileVerdict& verdict) {
    const std::string member(verdict.member, strnlen(verdict.member, sizeof verdict.member));
    switch (verdict.fault) {
        case KV_MODEL_FILE_SOUND: return {};
        case KV_MODEL_FILE_MISSING: return Translated("there is no such file");
        case KV_MODEL_FILE_NOT_REGULAR: return Translated("it is not a regular file");
        case KV_MODEL_FILE_UNREADABLE: return Translated("it cannot be read");
        case KV_MODEL_FILE_JSON_MALFORMED:
            return Placed(Translated(DescribeJsonFault(JsonFault::Malformed)), {}, verdict.offset);
        case KV_MODEL_FILE_JSON_DUPLICATE_KEY:
            return Placed(Translated(DescribeJsonFault(JsonFault::DuplicateKey)), member, 0);
        case KV_MODEL_FILE_JSON_TOO_DEEP: return Placed(Translated(DescribeJsonFault(JsonFault::TooDeep)), member, 0);
        case KV_MODEL_FILE_INSTANCES_TOO_DEEP: return Translated("its components nest too deep or expand too far");
        case KV_MODEL_FILE_OVER_MEMORY:
            return DrawingNeedsMoreMemory(verdict.placements, verdict.triangles, verdict.memory_needed,
                                          verdict.memory_available);
        case KV_MODEL_FILE_TOO_LARGE:
        case KV_MODEL_FILE_NOT_GLB:
        case KV_MODEL_FILE_NOT_A_MODEL:
        case KV_MODEL_FILE_INSTANCE_CYCLE: break;
    }
    return Placed(Translated("it is not a Korvanta model file, or it is damaged"), member, 0);
}

std::string DrawingNeedsMoreMemory(std::uint64_t placements, std::uint64_t triangles, std::uint64_t needed,
                                   std::uint64_t available) {
    return Compose("it needs more memory than there is: about %1$s MiB to draw %2$s placements and %3$s triangles, and "
                   "%4$s MiB is available",
                   {Grouped(MebibytesOf(needed)), Grouped(placements), Grouped(triangles), Grouped(MebibytesOf(available))});
}

std::string WhatWentWrong(const std::exception& exception) {
    const auto* store = dynamic_cast<const hollin::prefs::StoreError*>(&exception);
    if (store == nullptr) return exception.what();
    const std::string reason = Placed(Translated(store->Reason().c_str()), store->Member(), store->Offset());
    return store->GetOperation() == hollin::prefs::StoreError::Operation::Read
               ? Compose("the preference store %1$s cannot be read: %2$s", {store->Path(), reason})
               : Compose("the preference store %1$s cannot be written: %2$s", {store->Path(), reason});
}

}  // namespace kvhost
