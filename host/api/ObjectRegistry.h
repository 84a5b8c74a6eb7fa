#pragma once

#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace korvanta {

// The live objects of one kind behind the API's references. A reference that
// does not name a live object is refused instead of being followed. Objects
// not yet handed to an owner (a model, a material, an entities) are held here.
template <typename T>
class ObjectRegistry {
public:
    T* Create() {
        auto object = std::make_unique<T>();
        T* pointer = object.get();
        live_.insert(pointer);
        detached_.emplace(pointer, std::move(object));
        return pointer;
    }

    T* Find(const void* pointer) const {
        return live_.count(pointer) != 0 ? static_cast<T*>(const_cast<void*>(pointer)) : nullptr;
    }
    bool IsDetached(const void* pointer) const { return detached_.count(pointer) != 0; }

    // Hands a detached object to its new owner; it stays live.
    std::unique_ptr<T> TakeOwnership(const void* pointer) {
        auto found = detached_.find(pointer);
        if (found == detached_.end()) return nullptr;
        std::unique_ptr<T> object = std::move(found->second);
        detached_.erase(found);
        return object;
    }

    // Marks an object that lives inside an owner as live.
    void Adopt(const T* pointer) { live_.insert(pointer); }
    // Forgets an object; a detached one is destroyed.
    void Forget(const T* pointer) {
        live_.erase(pointer);
        detached_.erase(pointer);
    }
    void Clear() {
        detached_.clear();
        live_.clear();
    }

    template <typename Visit>
    void ForEachLive(Visit visit) const {
        for (const void* pointer : live_) visit(*static_cast<const T*>(pointer));
    }

private:
    std::unordered_set<const void*> live_;
    std::unordered_map<const void*, std::unique_ptr<T>> detached_;
};

}  // namespace korvanta
