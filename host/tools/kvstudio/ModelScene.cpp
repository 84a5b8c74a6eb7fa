#include "ModelScene.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMatrix4x4>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <new>
#include <utility>

#include "GlbFile.h"
#include "HostText.h"
#include "ImageLimits.h"
#include "StudioText.h"

namespace kvstudio {

namespace {

// glTF's codes for its primitives and samplers.
constexpr int kTriangles = 4;
constexpr int kNearest = 9728;
constexpr int kLinear = 9729;
constexpr int kClampToEdge = 33071;
constexpr int kMirroredRepeat = 33648;

std::atomic<std::uint64_t> imagesDecoded{0};

void Include(SceneBox& box, const QVector3D& point, bool first) {
    if (first) box = {point, point};
    box.low = QVector3D(std::min(box.low.x(), point.x()), std::min(box.low.y(), point.y()), std::min(box.low.z(), point.z()));
    box.high = QVector3D(std::max(box.high.x(), point.x()), std::max(box.high.y(), point.y()), std::max(box.high.z(), point.z()));
}

using Accessor = GlbFile::Accessor;

// The scene of a model file, read the way glTF viewers read it.
class SceneReader {
public:
    SceneReader(const QString& path, qint64 imageBytes) : file_(path), imageBytes_(imageBytes) {}

    ModelScene Read() {
        const QJsonObject& document = file_.Document();
        ModelScene scene;
        ReadTextures(document, scene);
        for (const QJsonValue material : document.value(QLatin1String("materials")).toArray()) {
            scene.materials.push_back(ReadMaterial(material.toObject(), static_cast<qint64>(scene.textures.size())));
        }
        materialCount_ = static_cast<qint64>(scene.materials.size());
        for (const QJsonValue mesh : document.value(QLatin1String("meshes")).toArray()) {
            scene.meshes.push_back(ReadMesh(mesh.toObject()));
        }
        ReadNodes(document, scene);
        return scene;
    }

private:
    // The accessors of a mesh's vertices: positions, and normals and texture
    // coordinates where they are not -1.
    struct VertexAccessors {
        qint64 positions = -1;
        qint64 normals = -1;
        qint64 uvs = -1;
        auto operator<=>(const VertexAccessors&) const = default;
    };

    // Copies `count` values of `kFloats` floats each into their place in
    // every vertex of `vertices`.
    template <int kFloats>
    static void Interleave(const QByteArray& values, qint64 count, qint64 offset, qint64 stride, QByteArray& vertices) {
        constexpr qint64 kBytes = kFloats * qint64{sizeof(float)};
        char* to = vertices.data() + offset;
        const char* from = values.constData();
        for (qint64 vertex = 0; vertex < count; ++vertex, to += stride, from += kBytes) std::memcpy(to, from, kBytes);
    }

    // The vertices as SceneMesh::vertices has them, every accessor checked
    // to hold as many as the positions before any is read.
    QByteArray ReadVertices(const VertexAccessors& from, qint64& count) {
        const Accessor where = file_.AccessorAt(from.positions, {kGltfFloat}, 3);
        count = where.count;
        QByteArray points = file_.ReadAt(where.offset, count * 3 * qint64{sizeof(float)});
        if (from.normals < 0 && from.uvs < 0) return points;
        const auto checked = [&](qint64 accessor, int components) {
            const Accessor at = file_.AccessorAt(accessor, {kGltfFloat}, components);
            if (at.count != count) file_.Refuse();
            return at;
        };
        const bool smooth = from.normals >= 0;
        const bool textured = from.uvs >= 0;
        const Accessor normals = smooth ? checked(from.normals, 3) : Accessor();
        const Accessor uvs = textured ? checked(from.uvs, 2) : Accessor();
        constexpr qint64 kFloat = sizeof(float);
        const qint64 stride = (3 + (smooth ? 3 : 0) + (textured ? 2 : 0)) * kFloat;
        QByteArray vertices(count * stride, Qt::Uninitialized);
        Interleave<3>(points, count, 0, stride, vertices);
        points.clear();
        // One array read at a time, dropped once in place.
        if (smooth) Interleave<3>(file_.ReadAt(normals.offset, count * 3 * kFloat), count, 3 * kFloat, stride, vertices);
        if (textured) Interleave<2>(file_.ReadAt(uvs.offset, count * 2 * kFloat), count, stride - 2 * kFloat, stride, vertices);
        return vertices;
    }

    // The primitives' indices one after another, in four bytes each when any
    // primitive needs them.
    QByteArray ReadIndices(const std::vector<Accessor>& primitives, bool wide) {
        qint64 total = 0;
        for (const Accessor& indices : primitives) total += indices.count;
        QByteArray all(total * (wide ? 4 : 2), Qt::Uninitialized);
        qint64 at = 0;
        for (const Accessor& indices : primitives) {
            const qint64 bytes = indices.count * (indices.componentType == kGltfUnsignedInt ? 4 : 2);
            const QByteArray read = file_.ReadAt(indices.offset, bytes);
            if (wide && indices.componentType == kGltfUnsignedShort) {
                for (qint64 i = 0; i < indices.count; ++i) {
                    quint16 index = 0;
                    std::memcpy(&index, read.constData() + i * 2, 2);
                    const quint32 widened = index;
                    std::memcpy(all.data() + (at + i) * 4, &widened, 4);
                }
            } else {
                std::memcpy(all.data() + at * (wide ? 4 : 2), read.constData(), static_cast<std::size_t>(bytes));
            }
            at += indices.count;
        }
        return all;
    }

    // Checks that every index names a vertex, and measures the part.
    template <typename Index>
    void MeasurePart(const SceneMesh& mesh, qint64 vertexCount, SceneMesh::Part& part) const {
        const auto* indices = reinterpret_cast<const Index*>(mesh.indices.constData()) + part.firstIndex;
        const auto* positions = reinterpret_cast<const float*>(mesh.vertices.constData());
        const int stride = mesh.Stride() / static_cast<int>(sizeof(float));
        for (int i = 0; i < part.indexCount; ++i) {
            if (indices[i] >= vertexCount) file_.Refuse();
            const float* point = positions + static_cast<qint64>(indices[i]) * stride;
            Include(part.box, QVector3D(point[0], point[1], point[2]), i == 0);
        }
    }

    SceneMesh ReadMesh(const QJsonObject& description) {
        const QJsonArray primitives = description.value(QLatin1String("primitives")).toArray();
        if (primitives.isEmpty()) file_.Refuse();
        VertexAccessors attributesOfAll;
        std::vector<Accessor> indices;
        std::vector<qint64> indexAccessors;
        SceneMesh mesh;
        for (const QJsonValue value : primitives) {
            const QJsonObject primitive = value.toObject();
            const QJsonObject attributes = primitive.value(QLatin1String("attributes")).toObject();
            const VertexAccessors attributesOfThis{
                .positions = file_.Number(attributes.value(QLatin1String("POSITION")), file_.AccessorCount()),
                .normals = file_.NumberOr(attributes, "NORMAL", file_.AccessorCount(), attributesOfAll.normals),
                .uvs = file_.NumberOr(attributes, "TEXCOORD_0", file_.AccessorCount(), attributesOfAll.uvs)};
            // One vertex array for all parts, as the library writes them.
            const auto differs = [](qint64 all, qint64 mine) { return all >= 0 && mine != all; };
            if (file_.NumberOr(primitive, "mode", kTriangles + 1, kTriangles) != kTriangles ||
                differs(attributesOfAll.positions, attributesOfThis.positions) ||
                differs(attributesOfAll.normals, attributesOfThis.normals) || differs(attributesOfAll.uvs, attributesOfThis.uvs)) {
                file_.Refuse();
            }
            attributesOfAll = attributesOfThis;
            indexAccessors.push_back(file_.Number(primitive.value(QLatin1String("indices")), file_.AccessorCount()));
            indices.push_back(file_.AccessorAt(indexAccessors.back(), {kGltfUnsignedShort, kGltfUnsignedInt}, 1));
            if (indices.back().count % 3 != 0 || indices.back().count > std::numeric_limits<int>::max()) file_.Refuse();
            mesh.wideIndices = mesh.wideIndices || indices.back().componentType == kGltfUnsignedInt;
            SceneMesh::Part part;
            part.indexCount = static_cast<int>(indices.back().count);
            part.material = static_cast<int>(file_.NumberOr(primitive, "material", materialCount_, -1));
            mesh.parts.push_back(part);
        }
        mesh.smooth = attributesOfAll.normals >= 0;
        mesh.textured = attributesOfAll.uvs >= 0;
        // Meshes placed with their transform in the positions share their
        // other arrays, and Qt shares them too.
        qint64 vertexCount = 0;
        auto [vertices, isNewVertices] = vertices_.try_emplace(attributesOfAll);
        if (isNewVertices) vertices->second.first = ReadVertices(attributesOfAll, vertices->second.second);
        mesh.vertices = vertices->second.first;
        vertexCount = vertices->second.second;
        auto [sharedIndices, isNewIndices] = indices_.try_emplace(indexAccessors);
        if (isNewIndices) sharedIndices->second = ReadIndices(indices, mesh.wideIndices);
        mesh.indices = sharedIndices->second;
        qint64 first = 0;
        bool measured = false;
        for (SceneMesh::Part& part : mesh.parts) {
            if (first > std::numeric_limits<int>::max() - part.indexCount) file_.Refuse();
            part.firstIndex = static_cast<int>(first);
            first += part.indexCount;
            if (part.indexCount == 0) continue;
            if (mesh.wideIndices) {
                MeasurePart<quint32>(mesh, vertexCount, part);
            } else {
                MeasurePart<quint16>(mesh, vertexCount, part);
            }
            Include(mesh.box, part.box.low, !measured);
            Include(mesh.box, part.box.high, false);
            measured = true;
        }
        // Qt draws a part for each subset, so empty ones go.
        std::erase_if(mesh.parts, [](const SceneMesh::Part& part) { return part.indexCount == 0; });
        return mesh;
    }

    SceneMaterial ReadMaterial(const QJsonObject& description, qint64 textureCount) const {
        SceneMaterial material;
        const QJsonObject pbr = description.value(QLatin1String("pbrMetallicRoughness")).toObject();
        const QJsonArray factor = pbr.value(QLatin1String("baseColorFactor")).toArray();
        if (factor.size() == 4) {
            material.baseColour = QColor::fromRgbF(std::clamp(factor[0].toDouble(), 0.0, 1.0), std::clamp(factor[1].toDouble(), 0.0, 1.0),
                                                   std::clamp(factor[2].toDouble(), 0.0, 1.0), std::clamp(factor[3].toDouble(), 0.0, 1.0));
        }
        material.texture = static_cast<int>(file_.NumberOr(pbr.value(QLatin1String("baseColorTexture")).toObject(), "index", textureCount, -1));
        material.metalness = static_cast<float>(std::clamp(pbr.value(QLatin1String("metallicFactor")).toDouble(1.0), 0.0, 1.0));
        material.roughness = static_cast<float>(std::clamp(pbr.value(QLatin1String("roughnessFactor")).toDouble(1.0), 0.0, 1.0));
        const QString alpha = description.value(QLatin1String("alphaMode")).toString();
        material.alpha = alpha == QLatin1String("BLEND") ? SceneMaterial::Alpha::Blend
                       : alpha == QLatin1String("MASK")  ? SceneMaterial::Alpha::Mask
                                                         : SceneMaterial::Alpha::Opaque;
        material.alphaCutoff = static_cast<float>(description.value(QLatin1String("alphaCutoff")).toDouble(0.5));
        material.doubleSided = description.value(QLatin1String("doubleSided")).toBool(false);
        return material;
    }

    // A reader of the image in a view, as Qt decodes PNG and JPEG, with its
    // size from its header; no reader when it cannot be used, within the
    // limits the library puts on textures.
    struct ImageReading {
        QByteArray bytes;
        QBuffer buffer{&bytes};
        QImageReader reader;
        QSize size;
    };
    std::unique_ptr<ImageReading> ReadImage(const QJsonObject& image) {
        const QString type = image.value(QLatin1String("mimeType")).toString();
        if (!image.contains(QLatin1String("bufferView")) ||
            (type != QLatin1String("image/png") && type != QLatin1String("image/jpeg"))) {
            return nullptr;
        }
        auto reading = std::make_unique<ImageReading>();
        reading->bytes = file_.ViewBytes(image.value(QLatin1String("bufferView")));
        reading->reader.setDevice(&reading->buffer);
        reading->reader.setFormat(type == QLatin1String("image/png") ? "png" : "jpeg");
        reading->size = reading->reader.size();
        if (reading->size.isEmpty() || !korvanta::image::IsWithinImageLimits({static_cast<std::size_t>(reading->size.width()),
                                                                             static_cast<std::size_t>(reading->size.height())})) {
            return nullptr;
        }
        return reading;
    }

    // The image decoded at `scale` of its size: scaled as it is decoded where
    // the decoder can (JPEG), else decoded whole and then scaled, one image
    // at a time. No pixels when it cannot be used.
    void Decode(const QJsonObject& image, double scale, SceneTexture& texture) {
        const std::unique_ptr<ImageReading> reading = ReadImage(image);
        if (!reading) return;
        if (scale < 1.0) {
            reading->reader.setScaledSize(QSize(std::max(1, static_cast<int>(reading->size.width() * scale)),
                                                std::max(1, static_cast<int>(reading->size.height() * scale))));
        }
        ++imagesDecoded;
        const QImage decoded = reading->reader.read().convertToFormat(QImage::Format_RGBA8888);
        if (decoded.isNull()) return;
        texture.size = decoded.size();
        texture.rgba = QByteArray(reinterpret_cast<const char*>(decoded.constBits()), decoded.sizeInBytes());
        for (qsizetype alpha = 3; alpha < texture.rgba.size() && !texture.transparent; alpha += 4) {
            texture.transparent = static_cast<unsigned char>(texture.rgba[alpha]) != 0xFF;
        }
    }

    void ReadSampler(const QJsonObject& sampler, SceneTexture& texture) const {
        using Filter = SceneTexture::Filter;
        using Wrap = SceneTexture::Wrap;
        // glTF's filters alternate between nearest and linear, the
        // mipmapped ones too.
        const auto filter = [](int code) { return (code - kNearest) % 2 == 0 ? Filter::Nearest : Filter::Linear; };
        const auto wrap = [](int code) {
            return code == kClampToEdge ? Wrap::ClampToEdge : code == kMirroredRepeat ? Wrap::MirroredRepeat : Wrap::Repeat;
        };
        texture.magnification = filter(sampler.value(QLatin1String("magFilter")).toInt(kLinear));
        texture.minification = filter(sampler.value(QLatin1String("minFilter")).toInt(kLinear));
        texture.wrapS = wrap(sampler.value(QLatin1String("wrapS")).toInt());
        texture.wrapT = wrap(sampler.value(QLatin1String("wrapT")).toInt());
    }

    void ReadTextures(const QJsonObject& document, ModelScene& scene) {
        const QJsonArray images = document.value(QLatin1String("images")).toArray();
        const QJsonArray samplers = document.value(QLatin1String("samplers")).toArray();
        const QJsonArray textures = document.value(QLatin1String("textures")).toArray();
        // An image that several textures show is decoded once and held once;
        // all of them together get the images' budget, so each is decoded
        // smaller by the same scale when they would take more.
        std::map<qint64, SceneTexture> decoded;
        for (const QJsonValue value : textures) {
            decoded.try_emplace(file_.NumberOr(value.toObject(), "source", images.size(), -1));
        }
        decoded.erase(-1);
        qint64 bytes = 0;
        for (const auto& [image, unused] : decoded) {
            if (const std::unique_ptr<ImageReading> reading = ReadImage(images.at(image).toObject())) {
                bytes += qint64{reading->size.width()} * reading->size.height() * 4;
            }
        }
        const double scale = bytes > imageBytes_ ? std::sqrt(static_cast<double>(imageBytes_) / static_cast<double>(bytes)) : 1.0;
        for (auto& [image, texture] : decoded) Decode(images.at(image).toObject(), scale, texture);
        if (scale < 1.0) {
            scene.note = TrCompose("its %1$s images are drawn at %2$s %% of their size, to keep within the %3$s MiB the view "
                                   "gives images",
                                   {kvhost::Grouped(decoded.size()), std::to_string(static_cast<int>(scale * 100)),
                                    kvhost::Grouped(kvhost::MebibytesOf(static_cast<std::uint64_t>(imageBytes_)))});
        }
        for (const QJsonValue value : textures) {
            const QJsonObject description = value.toObject();
            const qint64 image = file_.NumberOr(description, "source", images.size(), -1);
            SceneTexture texture = image >= 0 ? decoded.at(image) : SceneTexture();
            const qint64 sampler = file_.NumberOr(description, "sampler", samplers.size(), -1);
            if (sampler >= 0) ReadSampler(samplers.at(sampler).toObject(), texture);
            scene.textures.push_back(std::move(texture));
        }
    }

    void ReadNodes(const QJsonObject& document, ModelScene& scene) {
        scene.tree = file_.TakeNodes();
        const auto nodeCount = static_cast<qint64>(scene.tree.nodes.size());
        for (const SceneNode& node : scene.tree.nodes) {
            if (node.mesh >= static_cast<qint64>(scene.meshes.size())) file_.Refuse();
        }
        for (const int child : scene.tree.children) {
            if (child >= nodeCount) file_.Refuse();
        }
        const QJsonArray scenes = document.value(QLatin1String("scenes")).toArray();
        if (scenes.isEmpty()) return;
        for (const QJsonValue root : scenes.at(file_.NumberOr(document, "scene", scenes.size(), 0)).toObject().value(QLatin1String("nodes")).toArray()) {
            scene.roots.push_back(static_cast<int>(file_.Number(root, nodeCount)));
        }
        // Once to count each mesh's placements and to measure the scene,
        // once more to fill the instance tables made to measure.
        const bool isTree = WalkScene(scene.tree, scene.roots, [&](int, const SceneNode& node, const QMatrix4x4& placed) {
            if (node.mesh < 0 || scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) return;
            SceneMesh& mesh = scene.meshes[static_cast<std::size_t>(node.mesh)];
            // A placement Qt Quick 3D cannot draw: one that flattens the mesh, or is not a number.
            for (int column = 0; column < 3; ++column) {
                const float length = placed.column(column).toVector3D().length();
                if (!std::isfinite(length) || length == 0.0f || !std::isfinite(placed(column, 3))) file_.Refuse();
            }
            if (mesh.placements == std::numeric_limits<int>::max()) file_.Refuse();
            ++mesh.placements;
            IncludeTransformed(scene.box, mesh.box, placed);
        });
        if (!isTree) file_.Refuse();
        std::vector<float*> next;
        for (SceneMesh& mesh : scene.meshes) {
            mesh.instances = QByteArray(qint64{mesh.placements} * kInstanceEntryBytes, Qt::Uninitialized);
            next.push_back(reinterpret_cast<float*>(mesh.instances.data()));
        }
        WalkScene(scene.tree, scene.roots, [&](int, const SceneNode& node, const QMatrix4x4& placed) {
            if (node.mesh < 0 || scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) return;
            float*& entry = next[static_cast<std::size_t>(node.mesh)];
            for (int row = 0; row < 3; ++row) {
                for (int column = 0; column < 4; ++column) *entry++ = placed(row, column);
            }
            for (const float value : {1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f}) *entry++ = value;
        });
    }

    GlbFile file_;
    qint64 imageBytes_;
    qint64 materialCount_ = 0;
    std::map<VertexAccessors, std::pair<QByteArray, qint64>> vertices_;  // with the vertex count
    std::map<std::vector<qint64>, QByteArray> indices_;
};

}  // namespace

std::uint64_t ImagesDecodedForView() {
    return imagesDecoded;
}

ModelScene ReadModelScene(const QString& modelFile, qint64 imageBytes) {
    try {
        return SceneReader(modelFile, imageBytes).Read();
    } catch (const GlbFile::Refusal& undrawable) {
        ModelScene scene;
        scene.whyNotDrawn = undrawable.why;
        return scene;
    } catch (const std::bad_alloc&) {
        ModelScene scene;
        scene.whyNotDrawn = Tr("there is not enough memory to draw it");
        return scene;
    }
}

}  // namespace kvstudio
