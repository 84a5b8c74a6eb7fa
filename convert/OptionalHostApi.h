#pragma once

// The host functions that a host may not offer: each is a weak reference,
// null when the host's library lacks it, so that the plug-in still loads
// into an older host. Test a function for null before every call, and keep
// a way to do without it.

#include "KorvantaAPI.h"

#pragma weak KVTextureCreateFromDescriptor
#pragma weak KVLoopInputEdgeSetSmooth

namespace hollin::importer {

inline bool HostMarksSmoothEdges() { return KVLoopInputEdgeSetSmooth != nullptr; }

}  // namespace hollin::importer
