#include <algorithm>
#include <cmath>
#include <limits>

#include "ApiState.h"

using namespace korvanta;

static_assert(sizeof(KVMaterialInput) == 112, "the material input record is 112 bytes");

namespace {

// The model keeps texture coordinates in single precision; a value beyond
// its range becomes the largest one of its sign.
float SinglePrecision(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::isnan(value) ? value : std::clamp(value, -kLargest, kLargest));
}

// Takes the loop from the caller: its vertex numbers are appended to the
// input as a new loop, and the caller's reference is nulled.
KVResult TakeLoop(GeometryInput& input, KVLoopInputRef* loop, std::size_t& added) {
    if (loop == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
    LoopInput* object = nullptr;
    if (KVResult result = Resolve(State().loops, loop->ptr, object); result != KV_SUCCESS) return result;
    const std::vector<std::size_t>& indices = object->vertexIndices;
    added = input.loops.size();
    input.loops.push_back({input.vertexIndices.size(), indices.size()});
    // Loops are short: a range insert costs more than appending them one by one.
    for (const std::size_t index : indices) input.vertexIndices.push_back(index);
    for (const std::size_t edge : object->smoothEdges) input.smoothEdges.push_back(input.loops[added].firstIndex + edge);
    State().loops.Forget(object);
    loop->ptr = nullptr;
    return KV_SUCCESS;
}

// The lists of the input released last, emptied, for the next input to fill.
// A converter fills one input a mesh; reusing the room spares the allocator
// ever larger blocks that, freed a mesh later, leave holes between the model's
// arrays and pages that are faulted in again and again.
GeometryInput& SpareLists() {
    static GeometryInput spare;
    return spare;
}

}  // namespace

extern "C" {

KVResult KVGeometryInputCreate(KVGeometryInputRef* input) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().inputs, input); result != KV_SUCCESS) return result;
        GeometryInput* created = State().inputs.Create();
        *created = std::move(SpareLists());
        input->ptr = created;
        return KV_SUCCESS;
    });
}

KVResult KVGeometryInputRelease(KVGeometryInputRef* input) {
    return Guarded([&] {
        if (input == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        GeometryInput* object = nullptr;
        if (KVResult result = Resolve(State().inputs, input->ptr, object); result != KV_SUCCESS) return result;
        object->Clear();
        SpareLists() = std::move(*object);
        State().inputs.Forget(object);
        input->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVGeometryInputAddVertex(KVGeometryInputRef input, const KVPoint3D* point) {
    return GuardedOn(State().inputs, input.ptr, [&](GeometryInput& object) {
        if (point == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        // Vertices are numbered by the order of adding, so even unusable
        // points (not finite) are kept; faces using them are skipped at fill.
        object.vertices.push_back({point->x, point->y, point->z});
        return KV_SUCCESS;
    });
}

KVResult KVGeometryInputAddFace(KVGeometryInputRef input, KVLoopInputRef* outer_loop, size_t* face_index) {
    return GuardedOn(State().inputs, input.ptr, [&](GeometryInput& object) {
        FaceInput face;
        if (KVResult result = TakeLoop(object, outer_loop, face.outerLoop); result != KV_SUCCESS) return result;
        face.lastLoop = face.outerLoop;
        face.loopCount = 1;
        if (face_index != nullptr) *face_index = object.faces.size();
        object.faces.push_back(face);
        return KV_SUCCESS;
    });
}

KVResult KVGeometryInputFaceAddInnerLoop(KVGeometryInputRef input, size_t face_index, KVLoopInputRef* inner_loop) {
    return GuardedOn(State().inputs, input.ptr, [&](GeometryInput& object) {
        if (face_index >= object.faces.size()) return KV_ERROR_OUT_OF_RANGE;
        FaceInput& face = object.faces[face_index];
        if (face.loopCount == UINT32_MAX) return KV_ERROR_OUT_OF_RANGE;
        std::size_t hole = kNoInputLoop;
        if (KVResult result = TakeLoop(object, inner_loop, hole); result != KV_SUCCESS) return result;
        object.loops[face.lastLoop].nextHole = hole;
        face.lastLoop = hole;
        ++face.loopCount;
        return KV_SUCCESS;
    });
}

KVResult KVGeometryInputFaceSetFrontMaterial(KVGeometryInputRef input, size_t face_index,
                                             const KVMaterialInput* material) {
    return GuardedOn(State().inputs, input.ptr, [&](GeometryInput& object) {
        if (material == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        if (face_index >= object.faces.size() || material->num_uv_coords > 4) return KV_ERROR_OUT_OF_RANGE;
        Material* front = nullptr;
        if (material->material.ptr != nullptr) {
            if (KVResult result = Resolve(State().materials, material->material.ptr, front); result != KV_SUCCESS) {
                return result;
            }
        }
        FaceInput& face = object.faces[face_index];
        face.material = front;
        // A face set again leaves its earlier coordinates unused in the list.
        face.firstUv = object.uvs.size();
        face.uvCount = static_cast<std::uint32_t>(material->num_uv_coords);
        for (std::size_t i = 0; i < face.uvCount; ++i) {
            const auto& [u, v] = material->uv_coords[i];
            object.uvs.push_back({material->vertex_indices[i], {SinglePrecision(u), SinglePrecision(v)}});
        }
        return KV_SUCCESS;
    });
}

KVResult KVLoopInputCreate(KVLoopInputRef* loop) {
    return Guarded([&] {
        if (KVResult result = CheckCreateOutput(State().loops, loop); result != KV_SUCCESS) return result;
        loop->ptr = State().loops.Create();
        return KV_SUCCESS;
    });
}

KVResult KVLoopInputRelease(KVLoopInputRef* loop) {
    return Guarded([&] {
        if (loop == nullptr) return KV_ERROR_NULL_POINTER_INPUT;
        LoopInput* object = nullptr;
        if (KVResult result = Resolve(State().loops, loop->ptr, object); result != KV_SUCCESS) return result;
        State().loops.Forget(object);
        loop->ptr = nullptr;
        return KV_SUCCESS;
    });
}

KVResult KVLoopInputAddVertexIndex(KVLoopInputRef loop, size_t vertex_index) {
    return GuardedOn(State().loops, loop.ptr, [&](LoopInput& object) {
        object.vertexIndices.push_back(vertex_index);
        return KV_SUCCESS;
    });
}

KVResult KVLoopInputEdgeSetSmooth(KVLoopInputRef loop, size_t edge_index, bool smooth) {
    return GuardedOn(State().loops, loop.ptr, [&](LoopInput& object) {
        if (edge_index >= object.vertexIndices.size()) return KV_ERROR_OUT_OF_RANGE;
        std::vector<std::size_t>& marked = object.smoothEdges;
        // A loop has few smooth edges: a plain walk, where std::find would unroll.
        auto found = marked.begin();
        while (found != marked.end() && *found != edge_index) ++found;
        if (smooth && found == marked.end()) marked.push_back(edge_index);
        if (!smooth && found != marked.end()) marked.erase(found);
        return KV_SUCCESS;
    });
}

}  // extern "C"
