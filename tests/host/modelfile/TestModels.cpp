#include "TestModels.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stb_image_write.h>
#include <unistd.h>

namespace korvanta::test {
namespace {

std::uint32_t AddVertex(Entities& entities, Point3 point) {
    entities.vertices.push_back(point);
    return static_cast<std::uint32_t>(entities.vertices.size() - 1);
}

// Texture coordinates that follow the face's x and y, so each corner's differs.
Corner MakeCorner(const Entities& entities, std::uint32_t vertex) {
    const Point3& p = entities.vertices[vertex];
    return {vertex, {p.x / 10.0 + p.z / 20.0, p.y / 10.0}};
}

Triangle MakeTriangle(const Entities& entities, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    return {{MakeCorner(entities, a), MakeCorner(entities, b), MakeCorner(entities, c)}};
}

Face& AddQuadOver(Entities& entities, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  Material* material, bool textured) {
    Face face;
    face.frontMaterial = material;
    face.textured = textured;
    face.loops.push_back({{MakeCorner(entities, a), MakeCorner(entities, b), MakeCorner(entities, c),
                           MakeCorner(entities, d)}});
    face.triangles = {MakeTriangle(entities, a, b, c), MakeTriangle(entities, a, c, d)};
    entities.faces.push_back(std::move(face));
    return entities.faces.back();
}

void WriteToVector(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}

std::vector<std::uint8_t> Gradient(int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.insert(pixels.end(), {static_cast<std::uint8_t>(x * 255 / width),
                                         static_cast<std::uint8_t>(y * 255 / height), 128});
        }
    }
    return pixels;
}

}  // namespace

Face& AddQuad(Entities& entities, Point3 a, Point3 b, Point3 c, Point3 d, Material* material, bool textured) {
    const auto ia = AddVertex(entities, a), ib = AddVertex(entities, b), ic = AddVertex(entities, c),
               id = AddVertex(entities, d);
    return AddQuadOver(entities, ia, ib, ic, id, material, textured);
}

Face& AddSquareWithHole(Entities& entities, double outer, double inner, Material* material, bool textured) {
    const double o = outer / 2.0, i = inner / 2.0;
    std::uint32_t outerLoop[4], innerLoop[4];
    const double xs[4] = {-1, 1, 1, -1}, ys[4] = {-1, -1, 1, 1};
    for (int k = 0; k < 4; ++k) outerLoop[k] = AddVertex(entities, {xs[k] * o, ys[k] * o, 0});
    for (int k = 0; k < 4; ++k) innerLoop[k] = AddVertex(entities, {xs[k] * i, ys[k] * i, 0});

    Face face;
    face.frontMaterial = material;
    face.textured = textured;
    Loop outside, hole;
    for (int k = 0; k < 4; ++k) outside.corners.push_back(MakeCorner(entities, outerLoop[k]));
    for (int k = 3; k >= 0; --k) hole.corners.push_back(MakeCorner(entities, innerLoop[k]));
    face.loops = {outside, hole};
    for (int k = 0; k < 4; ++k) {
        const int next = (k + 1) % 4;
        face.triangles.push_back(MakeTriangle(entities, outerLoop[k], outerLoop[next], innerLoop[next]));
        face.triangles.push_back(MakeTriangle(entities, outerLoop[k], innerLoop[next], innerLoop[k]));
    }
    entities.faces.push_back(std::move(face));
    return entities.faces.back();
}

void AddBox(Entities& entities, Point3 size, Material* material, bool textured) {
    const auto first = static_cast<std::uint32_t>(entities.vertices.size());
    for (int k = 0; k < 8; ++k) {
        entities.vertices.push_back({(k & 1) ? size.x : 0.0, (k & 2) ? size.y : 0.0, (k & 4) ? size.z : 0.0});
    }
    const std::uint32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& quad : quads) {
        AddQuadOver(entities, first + quad[0], first + quad[1], first + quad[2], first + quad[3], material, textured);
    }
    const std::uint32_t edges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                        {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (const auto& edge : edges) entities.edges.push_back({first + edge[0], first + edge[1]});
}

ComponentDefinition& AddDefinition(Model& model, const std::string& name) {
    model.definitions.push_back(std::make_unique<ComponentDefinition>());
    model.definitions.back()->name = name;
    return *model.definitions.back();
}

Material& AddMaterial(Model& model, const std::string& name, KVColor color, double opacity) {
    model.materials.push_back(std::make_unique<Material>());
    Material& material = *model.materials.back();
    material.name = name;
    material.color = color;
    material.opacity = opacity;
    return material;
}

ComponentInstance& AddInstance(Entities& entities, ComponentDefinition& definition, const KVTransformation& transform,
                               const std::string& name) {
    entities.instances.push_back(std::make_unique<ComponentInstance>());
    ComponentInstance& instance = *entities.instances.back();
    instance.definition = &definition;
    instance.transform = transform;
    instance.name = name;
    return instance;
}

KVTransformation Translation(double x, double y, double z) {
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

KVTransformation Scaling(double x, double y, double z) {
    return {{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}};
}

std::vector<std::uint8_t> EncodePng(int width, int height) {
    std::vector<std::uint8_t> bytes;
    const auto pixels = Gradient(width, height);
    stbi_write_png_to_func(WriteToVector, &bytes, width, height, 3, pixels.data(), width * 3);
    return bytes;
}

std::vector<std::uint8_t> EncodeJpeg(int width, int height) {
    std::vector<std::uint8_t> bytes;
    const auto pixels = Gradient(width, height);
    stbi_write_jpg_to_func(WriteToVector, &bytes, width, height, 3, pixels.data(), 90);
    return bytes;
}

std::unique_ptr<Texture> MakeTexture(std::vector<std::uint8_t> encoded, const std::string& mimeType, int width,
                                     int height, const std::string& fileName) {
    auto texture = std::make_unique<Texture>();
    texture->encoded = std::move(encoded);
    texture->mimeType = mimeType;
    texture->width = static_cast<std::size_t>(width);
    texture->height = static_cast<std::size_t>(height);
    texture->fileName = fileName;
    texture->sScale = 12.5;
    texture->tScale = 0.75;
    return texture;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

Model MakeRichModel() {
    Model model;
    Material& red = AddMaterial(model, "Red brick", {200, 40, 30, 255});
    Material& glass = AddMaterial(model, "Glass", {180, 220, 255, 128}, 0.35);
    Material& png = AddMaterial(model, "Painted", {255, 255, 255, 255});
    png.texture = MakeTexture(EncodePng(16, 8), "image/png", 16, 8, "paint.png");
    Material& jpeg = AddMaterial(model, "Stone \xC3\xA9", {90, 90, 90, 255}, 0.9);
    jpeg.texture = MakeTexture(EncodeJpeg(8, 8), "image/jpeg", 8, 8, "stone.jpg");

    ComponentDefinition& box = AddDefinition(model, "Box");
    AddBox(box.entities, {10, 20, 30}, &red);
    box.entities.faces[1].frontMaterial = &png;
    box.entities.faces[1].textured = true;
    box.entities.faces[2].frontMaterial = nullptr;
    box.entities.skippedFaces = 3;

    ComponentDefinition& frame = AddDefinition(model, "Frame with hole");
    AddSquareWithHole(frame.entities, 40, 10, &jpeg, true);
    AddQuad(frame.entities, {0, 0, 5}, {4, 0, 5}, {4, 4, 5}, {0, 4, 5}, &glass);

    ComponentDefinition& group = AddDefinition(model, "Group");
    AddInstance(group.entities, box, Translation(-5, 0, 0), "inner box");
    AddQuad(group.entities, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});

    AddDefinition(model, "Nothing");

    AddInstance(model.entities, box, Translation(100, 0, 0), "first box");
    // A quarter turn about z, doubled in size.
    AddInstance(model.entities, box, {{0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 0, 50, 0, 1}});
    AddInstance(model.entities, frame, Scaling(1, 1, -1), "mirrored");
    AddInstance(model.entities, group, Translation(0, 0, 12.345678901234567));
    AddQuad(model.entities, {-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}, &red);
    return model;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvm-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TemporaryFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace korvanta::test
