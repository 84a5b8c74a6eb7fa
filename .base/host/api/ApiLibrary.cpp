#include "ApiState.h"

using namespace korvanta;

extern "C" {

KVResult KVInitialize(void) {
    ++State().initializeCount;
    return KV_SUCCESS;
}

KVResult KVTerminate(void) {
    ApiState& state = State();
    if (state.initializeCount == 0) return KV_ERROR_NOT_INITIALIZED;
    // The last terminate frees whatever callers left behind, so a host that
    // converts file after file does not accumulate objects.
    if (--state.initializeCount == 0) state.Reset();
    return KV_SUCCESS;
}

}  // extern "C"
