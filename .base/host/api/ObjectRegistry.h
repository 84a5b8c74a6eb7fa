#pragma once

#include <memory>
#include <unordered_map>

namespace korvanta {

// The live objects of one kind behind the API's references. A reference that
// does not name a live object is refused instead of being followed. Objects
// not yet handed to an owner (a model, a material, an entities) are held here;
// objects inside an owner are listed without being held.
template <typename T>
class ObjectRegistry {
public:
    T* Create() {
        auto object = std::make_unique<T>();
        T* pointer = object.get();
        objects_.emplace(pointer, std::move(object));
        return pointer;
    }

    T* Find(const void* pointer) const {
        // Calls come in runs on one object (a mesh's faces into one geometry
        // input), so the last object found is checked before the table.
        if (pointer == nullptr || (pointer != lastFound_ && objects_.count(pointer) == 0)) return nullptr;
        lastFound_ = pointer;
        return static_cast<T*>(const_cast<void*>(pointer));
    }
    bool IsDetached(const void* pointer) const {
        auto found = objects_.find(pointer);
        return found != objects_.end() && found->second != nullptr;
    }

    // Hands a detached object to its new owner; it stays live.
    std::unique_ptr<T> TakeOwnership(const void* pointer) {
        auto found = objects_.find(pointer);
        return found != objects_.end() ? std::move(found->second) : nullptr;
    }

    // Marks an object that lives inside an owner as live.
    void Adopt(const T* pointer) { objects_.emplace(pointer, nullptr); }
    // Forgets an object; a detached one is destroyed.
    void Forget(const T* pointer) {
        if (pointer == lastFound_) lastFound_ = nullptr;
        objects_.erase(pointer);
    }
    void Clear() {
        lastFound_ = nullptr;
        objects_.clear();
    }

    template <typename Visit>
    void ForEachLive(Visit visit) const {
        for (const auto& entry : objects_) visit(*static_cast<const T*>(entry.first));
    }

private:
    std::unordered_map<const void*, std::unique_ptr<T>> objects_;
    mutable const void* lastFound_ = nullptr;
};

}  // namespace korvanta
