#pragma once

// Host functions that an older host does not offer. They are declared weak,
// so that the plug-in loads in any host; each is null where the host lacks
// it, and the plug-in asks before it calls one.

#include "KorvantaAPI.h"

extern "C" {
__attribute__((weak)) KVResult KVLoopInputEdgeSetSmooth(KVLoopInputRef loop, size_t edge_index, bool smooth);
}

namespace hollin::importer {

inline bool HostMarksSmoothEdges() { return &KVLoopInputEdgeSetSmooth != nullptr; }

}  // namespace hollin::importer
