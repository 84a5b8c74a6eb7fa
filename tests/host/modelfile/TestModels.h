#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Model.h"

// Models and files for the model-file tests.
namespace korvanta::test {

// A face over four new vertices, as two triangles a-b-c and a-c-d.
Face& AddQuad(Entities& entities, Point3 a, Point3 b, Point3 c, Point3 d, Material* material = nullptr,
              bool textured = false);

// A square with a square hole: one face, an outer and an inner loop.
Face& AddSquareWithHole(Entities& entities, double outer, double inner, Material* material = nullptr,
                        bool textured = false);

// An axis-aligned box from the origin to `size`, six quads sharing eight vertices and twelve edges.
void AddBox(Entities& entities, Point3 size, Material* material = nullptr, bool textured = false);

ComponentDefinition& AddDefinition(Model& model, const std::string& name);
Material& AddMaterial(Model& model, const std::string& name, KVColor color, double opacity = 1.0);
ComponentInstance& AddInstance(Entities& entities, ComponentDefinition& definition, const KVTransformation& transform,
                               const std::string& name = "");

KVTransformation Translation(double x, double y, double z);
KVTransformation Scaling(double x, double y, double z);

std::vector<std::uint8_t> EncodePng(int width, int height);
std::vector<std::uint8_t> EncodeJpeg(int width, int height);
std::unique_ptr<Texture> MakeTexture(std::vector<std::uint8_t> encoded, const std::string& mimeType, int width,
                                     int height, const std::string& fileName);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Materials of every kind, several definitions (one nested, one empty),
// instances with translation, rotation and scale, holes, and top-level faces.
Model MakeRichModel();

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

}  // namespace korvanta::test
