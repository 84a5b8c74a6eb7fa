#include <algorithm>
#include <limits>
#include <unordered_set>

#include "ApiOutput.h"
#include "ApiState.h"
#include "EntitiesFill.h"

using namespace korvanta;

namespace {

// Whether placing an instance of `definition` into `target` would make a
// definition contain itself.
bool Contains(const ComponentDefinition* definition, const Entities* target,
              std::unordered_set<const ComponentDefinition*>& visited) {
    if (&definition->entities == target) return true;
    if (!visited.insert(definition).second) return false;
    for (const auto& instance : definition->entities.instances) {
        if (instance->definition != nullptr && Contains(instance->definition, target, visited)) return true;
    }
    return false;
}

struct Box {
    Point3 min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::infinity()};
    Point3 max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::infinity()};

    bool Empty() const { return min.x > max.x; }
    void Add(const Point3& p) {
        min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
        max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    }
};

Point3 Transformed(const KVTransformation& t, const Point3& p) {
    const double* m = t.values;
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

// Nesting deeper than this can only come from a cyclic model file.
constexpr int kMaxNesting = 64;

Box BoundsOf(const Entities& entities, int depth = 0) {
    Box box;
    if (depth > kMaxNesting) return box;
    for (const Point3& vertex : entities.vertices) box.Add(vertex);
    for (const auto& instance : entities.instances) {
        if (instance->definition == nullptr) continue;
        const Box inner = BoundsOf(instance->definition->entities, depth + 1);
        if (inner.Empty()) continue;
        for (int corner = 0; corner < 8; ++corner) {
            const Point3 p{corner & 1 ? inner.max.x : inner.min.x, corner & 2 ? inner.max.y : inner.min.y,
                           corner & 4 ? inner.max.z : inner.min.z};
            box.Add(Transformed(instance->transform, p));
        }
    }
    return box;
}

bool MaterialsAreLive(const GeometryInput& input) {
    const Material* lastChecked = nullptr;
    for (const FaceInput& face : input.faces) {
        if (face.material == nullptr || face.material == lastChecked) continue;
        if (State().materials.Find(face.material) == nullptr) return false;
        lastChecked = face.material;
    }
    return true;
}

}  // namespace

extern "C" {

KVResult KVEntitiesAddInstance(KVEntitiesRef entities, KVComponentInstanceRef instance, const char* name) {
    ApiState& state = State();
    const auto add = [&](Entities& target, ComponentInstance& object) {
        std::unordered_set<const ComponentDefinition*> visited;
        if (!state.instances.IsDetached(&object) || Contains(object.definition, &target, visited)) {
            return KV_ERROR_INVALID_INPUT;
        }
        if (name != nullptr) object.name = name;
        target.instances.push_back(state.instances.TakeOwnership(&object));
        return KV_SUCCESS;
    };
    return GuardedOn(state.entities, entities.ptr, state.instances, instance.ptr, add);
}

KVResult KVEntitiesFill(KVEntitiesRef entities, KVGeometryInputRef input, bool weld_vertices) {
    return GuardedOn(State().entities, entities.ptr, State().inputs, input.ptr, [&](Entities& target, GeometryInput& source) {
        if (!MaterialsAreLive(source)) return KV_ERROR_INVALID_INPUT;
        const KVResult result = FillEntities(target, source, weld_vertices);
        UpdateFaceArray(target);
        return result;
    });
}

KVResult KVEntitiesGetNumFaces(KVEntitiesRef entities, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return SetOutput(count, object.faces.size());
    });
}

KVResult KVEntitiesGetFaces(KVEntitiesRef entities, size_t capacity, KVFaceRef* faces, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return CopyRefs(object.faces, capacity, faces, count, [](const Face& face) { return const_cast<Face*>(&face); });
    });
}

KVResult KVEntitiesGetNumEdges(KVEntitiesRef entities, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return SetOutput(count, object.edges.size());
    });
}

KVResult KVEntitiesGetNumVertices(KVEntitiesRef entities, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return SetOutput(count, object.vertices.size());
    });
}

KVResult KVEntitiesGetNumInstances(KVEntitiesRef entities, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return SetOutput(count, object.instances.size());
    });
}

KVResult KVEntitiesGetInstances(KVEntitiesRef entities, size_t capacity, KVComponentInstanceRef* instances,
                                size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return CopyRefs(object.instances, capacity, instances, count, [](const auto& i) { return i.get(); });
    });
}

KVResult KVEntitiesGetNumSkippedFaces(KVEntitiesRef entities, size_t* count) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        return SetOutput(count, object.skippedFaces);
    });
}

KVResult KVEntitiesGetBoundingBox(KVEntitiesRef entities, KVBoundingBox3D* box) {
    return GuardedOn(State().entities, entities.ptr, [&](Entities& object) {
        if (box == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
        const Box bounds = BoundsOf(object);
        if (bounds.Empty()) return KV_ERROR_NO_DATA;
        box->min_point = {bounds.min.x, bounds.min.y, bounds.min.z};
        box->max_point = {bounds.max.x, bounds.max.y, bounds.max.z};
        return KV_SUCCESS;
    });
}

}  // extern "C"
