#include "ApiOutput.h"
#include "ApiState.h"
#include "FaceGeometry.h"

using namespace korvanta;

namespace {

// Runs an API call body on the live face a reference names.
template <typename Body>
KVResult GuardedOnFace(KVFaceRef face, Body body) noexcept {
    return Guarded([&] {
        if (face.ptr == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        const LiveFace found = FindLiveFace(face.ptr);
        return found.face != nullptr ? body(found) : KV_ERROR_INVALID_INPUT;
    });
}

}  // namespace

extern "C" {

KVResult KVFaceGetNumLoops(KVFaceRef face, size_t* count) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        return SetOutput(count, found.face->loopCount);
    });
}

KVResult KVFaceGetLoopVertexCount(KVFaceRef face, size_t loop_index, size_t* count) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        if (loop_index >= found.face->loopCount) return KV_ERROR_OUT_OF_RANGE;
        return SetOutput(count, found.entities->loops[found.face->firstLoop + loop_index].cornerCount);
    });
}

KVResult KVFaceGetLoopVertices(KVFaceRef face, size_t loop_index, size_t capacity, KVPoint3D* points, size_t* count) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        if (loop_index >= found.face->loopCount) return KV_ERROR_OUT_OF_RANGE;
        if (count == nullptr || (points == nullptr && capacity != 0)) return KV_ERROR_NULL_POINTER_OUTPUT;
        const std::span<const Corner> corners =
            found.entities->CornersOf(found.entities->loops[found.face->firstLoop + loop_index]);
        const std::size_t written = std::min(capacity, corners.size());
        for (std::size_t i = 0; i < written; ++i) {
            const Point3& p = found.entities->vertices[corners[i].vertex];
            points[i] = {p.x, p.y, p.z};
        }
        *count = written;
        return KV_SUCCESS;
    });
}

KVResult KVFaceGetFrontMaterial(KVFaceRef face, KVMaterialRef* material) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        if (material == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
        material->ptr = found.face->frontMaterial;
        return found.face->frontMaterial != nullptr ? KV_SUCCESS : KV_ERROR_NO_DATA;
    });
}

KVResult KVFaceIsTextured(KVFaceRef face, bool* textured) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        return SetOutput(textured, found.face->textured);
    });
}

KVResult KVFaceGetArea(KVFaceRef face, double* area) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        return SetOutput(area, FaceArea(*found.entities, *found.face));
    });
}

KVResult KVFaceGetNumTriangles(KVFaceRef face, size_t* count) {
    return GuardedOnFace(face, [&](const LiveFace& found) {
        return SetOutput(count, found.face->triangleCount);
    });
}

}  // extern "C"
