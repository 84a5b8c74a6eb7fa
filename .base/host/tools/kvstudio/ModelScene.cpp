#include "ModelScene.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMatrix3x3>
#include <QMatrix4x4>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <utility>

#include "GlbFile.h"
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

void Include(SceneBox& box, const QVector3D& point, bool first) {
    if (first) box = {point, point};
    box.low = QVector3D(std::min(box.low.x(), point.x()), std::min(box.low.y(), point.y()), std::min(box.low.z(), point.z()));
    box.high = QVector3D(std::max(box.high.x(), point.x()), std::max(box.high.y(), point.y()), std::max(box.high.z(), point.z()));
}

using Accessor = GlbFile::Accessor;

// The scene of a model file, read the way glTF viewers read it.
class SceneReader {
public:
    explicit SceneReader(const QString& path) : file_(path) {}

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
    // Positions, and texture coordinates after each when `uvs` is not -1.
    QByteArray ReadVertices(qint64 positions, qint64 uvs, qint64& count) {
        const Accessor where = file_.AccessorAt(positions, {kGltfFloat}, 3);
        count = where.count;
        QByteArray points = file_.ReadAt(where.offset, where.count * 3 * qint64{sizeof(float)});
        if (uvs < 0) return points;
        const Accessor coordinatesAt = file_.AccessorAt(uvs, {kGltfFloat}, 2);
        if (coordinatesAt.count != count) file_.Refuse();
        const QByteArray coordinates = file_.ReadAt(coordinatesAt.offset, count * 2 * qint64{sizeof(float)});
        QByteArray vertices(count * 5 * qint64{sizeof(float)}, Qt::Uninitialized);
        for (qint64 vertex = 0; vertex < count; ++vertex) {
            char* to = vertices.data() + vertex * 5 * qint64{sizeof(float)};
            std::memcpy(to, points.constData() + vertex * 3 * qint64{sizeof(float)}, 3 * sizeof(float));
            std::memcpy(to + 3 * sizeof(float), coordinates.constData() + vertex * 2 * qint64{sizeof(float)}, 2 * sizeof(float));
        }
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
        qint64 positions = -1;
        qint64 uvs = -1;
        std::vector<Accessor> indices;
        std::vector<qint64> indexAccessors;
        SceneMesh mesh;
        for (const QJsonValue value : primitives) {
            const QJsonObject primitive = value.toObject();
            const QJsonObject attributes = primitive.value(QLatin1String("attributes")).toObject();
            const qint64 points = file_.Number(attributes.value(QLatin1String("POSITION")), file_.AccessorCount());
            const qint64 coordinates = file_.NumberOr(attributes, "TEXCOORD_0", file_.AccessorCount(), uvs);
            // One vertex array for all parts, as the library writes them.
            if (file_.NumberOr(primitive, "mode", kTriangles + 1, kTriangles) != kTriangles || (positions >= 0 && points != positions) ||
                (uvs >= 0 && coordinates != uvs)) {
                file_.Refuse();
            }
            positions = points;
            uvs = coordinates;
            indexAccessors.push_back(file_.Number(primitive.value(QLatin1String("indices")), file_.AccessorCount()));
            indices.push_back(file_.AccessorAt(indexAccessors.back(), {kGltfUnsignedShort, kGltfUnsignedInt}, 1));
            if (indices.back().count % 3 != 0 || indices.back().count > std::numeric_limits<int>::max()) file_.Refuse();
            mesh.wideIndices = mesh.wideIndices || indices.back().componentType == kGltfUnsignedInt;
            SceneMesh::Part part;
            part.indexCount = static_cast<int>(indices.back().count);
            part.material = static_cast<int>(file_.NumberOr(primitive, "material", materialCount_, -1));
            mesh.parts.push_back(part);
        }
        mesh.textured = uvs >= 0;
        // Meshes placed with their transform in the positions share their
        // other arrays, and Qt shares them too.
        qint64 vertexCount = 0;
        auto [vertices, isNewVertices] = vertices_.try_emplace({positions, uvs});
        if (isNewVertices) vertices->second.first = ReadVertices(positions, uvs, vertices->second.second);
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

    // The image in a view, decoded as Qt decodes PNG and JPEG, within the
    // limits the library puts on textures; no pixels when it cannot be used.
    void Decode(const QJsonObject& image, SceneTexture& texture) {
        const QString type = image.value(QLatin1String("mimeType")).toString();
        if (!image.contains(QLatin1String("bufferView")) ||
            (type != QLatin1String("image/png") && type != QLatin1String("image/jpeg"))) {
            return;
        }
        QByteArray bytes = file_.ViewBytes(image.value(QLatin1String("bufferView")));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, type == QLatin1String("image/png") ? "png" : "jpeg");
        const QSize size = reader.size();
        if (size.isEmpty() || !korvanta::image::IsWithinImageLimits({static_cast<std::size_t>(size.width()),
                                                                     static_cast<std::size_t>(size.height())})) {
            return;
        }
        const QImage decoded = reader.read().convertToFormat(QImage::Format_RGBA8888);
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
        // An image that several textures show is decoded once and held once.
        std::map<qint64, SceneTexture> decoded;
        for (const QJsonValue value : document.value(QLatin1String("textures")).toArray()) {
            const QJsonObject description = value.toObject();
            const qint64 image = file_.NumberOr(description, "source", images.size(), -1);
            SceneTexture texture;
            if (image >= 0) {
                auto [known, isNew] = decoded.try_emplace(image);
                if (isNew) Decode(images.at(image).toObject(), known->second);
                texture = known->second;
            }
            const qint64 sampler = file_.NumberOr(description, "sampler", samplers.size(), -1);
            if (sampler >= 0) ReadSampler(samplers.at(sampler).toObject(), texture);
            scene.textures.push_back(std::move(texture));
        }
    }

    // The node's transform, column-major as glTF stores it, or from its parts.
    QMatrix4x4 Transform(const QJsonObject& node) const {
        QMatrix4x4 transform;
        const QJsonArray matrix = node.value(QLatin1String("matrix")).toArray();
        if (matrix.size() == 16) {
            for (int column = 0; column < 4; ++column) {
                for (int row = 0; row < 4; ++row) transform(row, column) = static_cast<float>(matrix[column * 4 + row].toDouble());
            }
            return transform;
        }
        const QJsonArray translation = node.value(QLatin1String("translation")).toArray();
        const QJsonArray rotation = node.value(QLatin1String("rotation")).toArray();
        const QJsonArray scale = node.value(QLatin1String("scale")).toArray();
        if (translation.size() == 3) {
            transform.translate(QVector3D(translation[0].toDouble(), translation[1].toDouble(), translation[2].toDouble()));
        }
        if (rotation.size() == 4) {
            transform.rotate(QQuaternion(rotation[3].toDouble(), rotation[0].toDouble(), rotation[1].toDouble(), rotation[2].toDouble()));
        }
        if (scale.size() == 3) transform.scale(QVector3D(scale[0].toDouble(), scale[1].toDouble(), scale[2].toDouble()));
        return transform;
    }

    // Position, rotation and scale, as glTF requires a node's matrix to hold.
    void Split(const QMatrix4x4& transform, SceneNode& node) const {
        QMatrix3x3 rotation;
        for (int column = 0; column < 3; ++column) {
            const QVector3D axis = transform.column(column).toVector3D();
            node.scale[column] = axis.length();
            if (!std::isfinite(node.scale[column]) || node.scale[column] == 0.0f) file_.Refuse();
        }
        // A mirroring turns one axis round.
        const QVector3D x = transform.column(0).toVector3D();
        if (QVector3D::dotProduct(x, QVector3D::crossProduct(transform.column(1).toVector3D(), transform.column(2).toVector3D())) < 0.0f) {
            node.scale[0] = -node.scale[0];
        }
        for (int column = 0; column < 3; ++column) {
            const QVector3D axis = transform.column(column).toVector3D() / node.scale[column];
            for (int row = 0; row < 3; ++row) rotation(row, column) = axis[row];
        }
        node.rotation = QQuaternion::fromRotationMatrix(rotation);
        node.position = transform.column(3).toVector3D();
    }

    void ReadNodes(const QJsonObject& document, ModelScene& scene) {
        const QJsonArray nodes = document.value(QLatin1String("nodes")).toArray();
        std::vector<QMatrix4x4> transforms;
        for (const QJsonValue value : nodes) {
            const QJsonObject description = value.toObject();
            SceneNode& node = scene.nodes.emplace_back();
            node.name = description.value(QLatin1String("name")).toString();
            node.mesh = static_cast<int>(file_.NumberOr(description, "mesh", static_cast<qint64>(scene.meshes.size()), -1));
            for (const QJsonValue child : description.value(QLatin1String("children")).toArray()) {
                node.children.push_back(static_cast<int>(file_.Number(child, nodes.size())));
            }
            transforms.push_back(Transform(description));
            Split(transforms.back(), node);
        }
        const QJsonArray scenes = document.value(QLatin1String("scenes")).toArray();
        if (scenes.isEmpty()) return;
        for (const QJsonValue root : scenes.at(file_.NumberOr(document, "scene", scenes.size(), 0)).toObject().value(QLatin1String("nodes")).toArray()) {
            scene.roots.push_back(static_cast<int>(file_.Number(root, nodes.size())));
        }
        // Down the tree, with each node's place in the scene: a node reached
        // twice would make the tree a graph.
        std::vector<bool> reached(scene.nodes.size(), false);
        std::vector<std::pair<int, QMatrix4x4>> pending;
        for (const int root : scene.roots) pending.emplace_back(root, QMatrix4x4());
        while (!pending.empty()) {
            const auto [index, above] = pending.back();
            pending.pop_back();
            if (reached[index]) file_.Refuse();
            reached[index] = true;
            const QMatrix4x4 placed = above * transforms[index];
            const SceneNode& node = scene.nodes[index];
            if (node.mesh >= 0 && !scene.meshes[static_cast<std::size_t>(node.mesh)].parts.empty()) {
                const SceneBox& box = scene.meshes[static_cast<std::size_t>(node.mesh)].box;
                for (int corner = 0; corner < 8; ++corner) {
                    const QVector3D point((corner & 1) ? box.high.x() : box.low.x(), (corner & 2) ? box.high.y() : box.low.y(),
                                          (corner & 4) ? box.high.z() : box.low.z());
                    const bool first = !scene.box;
                    if (first) scene.box.emplace();
                    Include(*scene.box, placed.map(point), first);
                }
            }
            for (const int child : node.children) pending.emplace_back(child, placed);
        }
    }

    GlbFile file_;
    qint64 materialCount_ = 0;
    std::map<std::pair<qint64, qint64>, std::pair<QByteArray, qint64>> vertices_;  // with the vertex count
    std::map<std::vector<qint64>, QByteArray> indices_;
};

}  // namespace

ModelScene ReadModelScene(const QString& modelFile) {
    try {
        return SceneReader(modelFile).Read();
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
