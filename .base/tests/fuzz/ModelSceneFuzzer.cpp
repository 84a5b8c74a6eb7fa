// Feeds arbitrary bytes to kvstudio's reader of what the view draws. The
// view meets only files the modelling library wrote, but its reader must
// hold on any bytes all the same: a file either gives a scene whose every
// number names something there is, or the reason it cannot be drawn; it
// never crashes, hangs or reads outside the bytes it was given.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ModelScene.h"

namespace {

// The input goes into an in-memory file, so that the reader's own file
// handling runs too without touching the disk.
int InputFile() {
    static const int descriptor = memfd_create("model.kvm", MFD_CLOEXEC);
    if (descriptor < 0) std::abort();
    return descriptor;
}

bool Names(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

// What the view relies on when it makes its objects from a scene.
bool HoldsTogether(const kvstudio::ModelScene& scene) {
    for (const kvstudio::SceneNode& node : scene.nodes) {
        if (node.mesh != -1 && !Names(node.mesh, scene.meshes.size())) return false;
        for (const int child : node.children) {
            if (!Names(child, scene.nodes.size())) return false;
        }
    }
    for (const int root : scene.roots) {
        if (!Names(root, scene.nodes.size())) return false;
    }
    for (const kvstudio::SceneMaterial& material : scene.materials) {
        if (material.texture != -1 && !Names(material.texture, scene.textures.size())) return false;
    }
    for (const kvstudio::SceneMesh& mesh : scene.meshes) {
        const qint64 indexBytes = mesh.wideIndices ? 4 : 2;
        for (const kvstudio::SceneMesh::Part& part : mesh.parts) {
            if (part.material != -1 && !Names(part.material, scene.materials.size())) return false;
            if (part.firstIndex < 0 || part.indexCount <= 0 ||
                (qint64{part.firstIndex} + part.indexCount) * indexBytes > mesh.indices.size()) {
                return false;
            }
        }
        if (mesh.vertices.size() % mesh.Stride() != 0) return false;
        const qint64 vertexCount = mesh.vertices.size() / mesh.Stride();
        for (qint64 at = 0; at + indexBytes <= mesh.indices.size(); at += indexBytes) {
            quint32 index = 0;
            std::memcpy(&index, mesh.indices.constData() + at, static_cast<std::size_t>(indexBytes));
            if (index >= vertexCount) return false;
        }
    }
    for (const kvstudio::SceneTexture& texture : scene.textures) {
        if (!texture.rgba.isEmpty() && texture.rgba.size() != qint64{texture.size.width()} * texture.size.height() * 4) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int descriptor = InputFile();
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const kvstudio::ModelScene scene =
        kvstudio::ReadModelScene(QString::fromStdString("/proc/self/fd/" + std::to_string(descriptor)));
    if (scene.whyNotDrawn.isEmpty() && !HoldsTogether(scene)) {
        std::fprintf(stderr, "The scene read does not hold together\n");
        std::abort();
    }
    return 0;
}
