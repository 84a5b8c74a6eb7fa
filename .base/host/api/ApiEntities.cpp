#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ApiOutput.h"
#include "ApiState.h"
#include "EntitiesFill.h"
#include "utils/Utf8Conversion.h"

using namespace korvanta;

namespace {

// Whether placing an instance of `definition` into `target` would make a
// definition contain itself.
bool Contains(const ComponentDefinition* definition, const Entities* target) {
    std::unordered_set<const ComponentDefinition*> visited{definition};
    std::vector<const ComponentDefinition*> pending{definition};
    while (!pending.empty()) {
        const ComponentDefinition* next = pending.back();
        pending.pop_back();
        if (&next->entities == target) return true;
        for (const auto& instance : next->entities.instances) {
            if (instance->definition != nullptr && visited.insert(instance->definition).second) {
                pending.push_back(instance->definition);
            }
        }
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

using DefinitionBoxes = std::unordered_map<const ComponentDefinition*, Box>;

// The vertices and, placed by their transforms, the corners of the inner
// definitions' boxes.
Box BoxOf(const Entities& entities, const DefinitionBoxes& inner) {
    Box box;
    for (const Point3& vertex : entities.vertices) box.Add(vertex);
    for (const auto& instance : entities.instances) {
        const auto found = inner.find(instance->definition);
        if (found == inner.end() || found->second.Empty()) continue;
        const Box& placed = found->second;
        for (int corner = 0; corner < 8; ++corner) {
            const Point3 p{corner & 1 ? placed.max.x : placed.min.x, corner & 2 ? placed.max.y : placed.min.y,
                           corner & 4 ? placed.max.z : placed.min.z};
            box.Add(Transformed(instance->transform, p));
        }
    }
    return box;
}

// Each definition below is boxed once, after the definitions it places, so
// that neither deep nesting nor a definition placed many times costs more
// than the definitions themselves.
Box BoundsOf(const Entities& entities) {
    struct Visit {
        const Entities* entities;
        const ComponentDefinition* definition;  // null for the entities asked about
        std::size_t nextInstance = 0;
    };
    DefinitionBoxes boxes;
    std::vector<Visit> pending{{&entities, nullptr}};
    while (true) {
        Visit& visit = pending.back();
        if (visit.nextInstance < visit.entities->instances.size()) {
            const ComponentDefinition* inner = visit.entities->instances[visit.nextInstance++]->definition;
            // Entered once: an empty box stands in until it is done.
            if (inner != nullptr && boxes.emplace(inner, Box{}).second) pending.push_back({&inner->entities, inner});
            continue;
        }
        const Box box = BoxOf(*visit.entities, boxes);
        if (visit.definition == nullptr) return box;
        boxes[visit.definition] = box;
        pending.pop_back();
    }
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
        if (!state.instances.IsDetached(&object) || Contains(object.definition, &target)) {
            return KV_ERROR_INVALID_INPUT;
        }
        if (name != nullptr) object.name = hollin::utils::Utf8FromUtf8OrWindows1252(name);
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
