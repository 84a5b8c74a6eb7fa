#include "ModelScene.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "HostText.h"
#include "ImageLimits.h"
#include "JsonFileReasons.h"
#include "StudioText.h"
#include "ViewScene.h"

namespace kvstudio {

namespace {

std::atomic<std::uint64_t> imagesDecoded{0};

QVector3D Point(const std::array<float, 3>& point) {
    return QVector3D(point[0], point[1], point[2]);
}

SceneBox BoxOf(const korvanta::ViewBox& box) {
    return {Point(box.low), Point(box.high)};
}

QByteArray BytesOf(const std::vector<std::byte>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The arrays of the library's scene as Qt Quick 3D takes them: one
// QByteArray for each array the meshes share.
class SceneMaker {
public:
    SceneMaker(korvanta::ViewScene& read, qint64 imageBytes) : read_(read), imageBytes_(imageBytes) {}

    ModelScene Make() {
        ModelScene scene;
        MakeTextures(scene);
        for (const korvanta::ViewMaterial& material : read_.materials) scene.materials.push_back(MaterialOf(material));
        for (korvanta::ViewMesh& mesh : read_.meshes) scene.meshes.push_back(MeshOf(mesh));
        shared_.clear();
        read_.meshes = {};
        MakeTree(scene);
        if (read_.box) scene.box = BoxOf(*read_.box);
        return scene;
    }

private:
    QByteArray Shared(const std::shared_ptr<const std::vector<std::byte>>& bytes) {
        auto [made, isNew] = shared_.try_emplace(bytes.get());
        if (isNew) made->second = BytesOf(*bytes);
        return made->second;
    }

    SceneMesh MeshOf(korvanta::ViewMesh& from) {
        SceneMesh mesh;
        // Each of the library's arrays goes once the last mesh that shares it has its copy.
        mesh.vertices = Shared(from.vertices);
        from.vertices.reset();
        mesh.smooth = from.smooth;
        mesh.textured = from.textured;
        mesh.indices = Shared(from.indices);
        from.indices.reset();
        mesh.wideIndices = from.wideIndices;
        for (const korvanta::ViewMesh::Part& part : from.parts) {
            mesh.parts.push_back({part.firstIndex, part.indexCount, part.material, BoxOf(part.box)});
        }
        mesh.box = BoxOf(from.box);
        // Qt Quick 3D's instance table: the placement's rows, a colour and a vector of data.
        mesh.placements = static_cast<int>(from.PlacementCount());
        mesh.instances = QByteArray(qint64{mesh.placements} * kInstanceEntryBytes, Qt::Uninitialized);
        auto* entry = reinterpret_cast<float*>(mesh.instances.data());
        for (std::size_t placement = 0; placement < from.PlacementCount(); ++placement) {
            entry = std::copy_n(
                from.placements.begin() + static_cast<std::ptrdiff_t>(placement * korvanta::ViewMesh::kPlacementFloats),
                korvanta::ViewMesh::kPlacementFloats, entry);
            for (const float value : {1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f}) *entry++ = value;
        }
        from.placements = {};
        return mesh;
    }

    static SceneMaterial MaterialOf(const korvanta::ViewMaterial& from) {
        SceneMaterial material;
        material.baseColour = QColor::fromRgbF(from.baseColour[0], from.baseColour[1], from.baseColour[2], from.baseColour[3]);
        material.texture = from.texture;
        material.metalness = from.metalness;
        material.roughness = from.roughness;
        using Alpha = korvanta::ViewMaterial::Alpha;
        material.alpha = from.alpha == Alpha::Blend  ? SceneMaterial::Alpha::Blend
                         : from.alpha == Alpha::Mask ? SceneMaterial::Alpha::Mask
                                                     : SceneMaterial::Alpha::Opaque;
        material.alphaCutoff = from.alphaCutoff;
        material.doubleSided = from.doubleSided;
        return material;
    }

    void MakeTree(ModelScene& scene) {
        scene.tree.children = std::move(read_.children);
        scene.tree.nodes.reserve(read_.nodes.size());
        for (const korvanta::ViewNode& node : read_.nodes) {
            SceneNode& made = scene.tree.nodes.emplace_back();
            // Qt keeps what it knows of a matrix: most nodes place as they are.
            if (node.transform != korvanta::kViewIdentity) {
                std::memcpy(made.transform.data(), node.transform.data(), sizeof node.transform);
            }
            made.mesh = node.mesh;
            made.firstChild = node.firstChild;
            made.childCount = node.childCount;
        }
        read_.nodes = {};
        scene.roots = std::move(read_.roots);
    }

    // A reader of an embedded image, as Qt decodes PNG and JPEG, with its
    // size from its header; no reader when it cannot be used, within the
    // limits the library puts on textures.
    struct ImageReading {
        QByteArray bytes;
        QBuffer buffer{&bytes};
        QImageReader reader;
        QSize size;
    };
    std::unique_ptr<ImageReading> ReadImage(const korvanta::ViewImage& image) const {
        if (image.bytes.empty()) return nullptr;
        auto reading = std::make_unique<ImageReading>();
        reading->bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(image.bytes.data()),
                                                 static_cast<qsizetype>(image.bytes.size()));
        reading->reader.setDevice(&reading->buffer);
        reading->reader.setFormat(image.mimeType == "image/png" ? "png" : "jpeg");
        reading->size = reading->reader.size();
        if (reading->size.isEmpty() ||
            !korvanta::image::IsWithinImageLimits(
                {static_cast<std::size_t>(reading->size.width()), static_cast<std::size_t>(reading->size.height())})) {
            return nullptr;
        }
        return reading;
    }

    // The image decoded at `scale` of its size: scaled as it is decoded where
    // the decoder can (JPEG), else decoded whole and then scaled, one image
    // at a time. No pixels when it cannot be used.
    void Decode(const korvanta::ViewImage& image, double scale, SceneTexture& texture) const {
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

    void MakeTextures(ModelScene& scene) {
        // An image that several textures show is decoded once and held once;
        // all of them together get the images' budget, so each is decoded
        // smaller by the same scale when they would take more.
        std::map<int, SceneTexture> decoded;
        for (const korvanta::ViewTexture& texture : read_.textures) {
            if (texture.image >= 0) decoded.try_emplace(texture.image);
        }
        qint64 bytes = 0;
        for (const auto& [image, unused] : decoded) {
            if (const std::unique_ptr<ImageReading> reading = ReadImage(read_.images[static_cast<std::size_t>(image)])) {
                bytes += qint64{reading->size.width()} * reading->size.height() * 4;
            }
        }
        const double scale = bytes > imageBytes_ ? std::sqrt(static_cast<double>(imageBytes_) / static_cast<double>(bytes)) : 1.0;
        for (auto& [image, texture] : decoded) {
            const korvanta::ViewImage& embedded = read_.images[static_cast<std::size_t>(image)];
            Decode(embedded, scale, texture);
            texture.name = QString::fromStdString(embedded.name);
        }
        read_.images = {};
        if (scale < 1.0) {
            scene.note = TrCompose(
                "its %1$s images are drawn at %2$s %% of their size, to keep within the %3$s MiB the view "
                "gives images",
                {kvhost::Grouped(decoded.size()), std::to_string(static_cast<int>(scale * 100)),
                 kvhost::Grouped(kvhost::MebibytesOf(static_cast<std::uint64_t>(imageBytes_)))});
        }
        using Filter = korvanta::ViewTexture::Filter;
        using Wrap = korvanta::ViewTexture::Wrap;
        const auto filter = [](Filter from) {
            return from == Filter::Nearest ? SceneTexture::Filter::Nearest : SceneTexture::Filter::Linear;
        };
        const auto wrap = [](Wrap from) {
            return from == Wrap::ClampToEdge      ? SceneTexture::Wrap::ClampToEdge
                   : from == Wrap::MirroredRepeat ? SceneTexture::Wrap::MirroredRepeat
                                                  : SceneTexture::Wrap::Repeat;
        };
        for (const korvanta::ViewTexture& from : read_.textures) {
            SceneTexture texture = from.image >= 0 ? decoded.at(from.image) : SceneTexture();
            texture.magnification = filter(from.magnification);
            texture.minification = filter(from.minification);
            texture.wrapS = wrap(from.wrapS);
            texture.wrapT = wrap(from.wrapT);
            scene.textures.push_back(std::move(texture));
        }
    }

    korvanta::ViewScene& read_;
    qint64 imageBytes_;
    std::map<const std::vector<std::byte>*, QByteArray> shared_;
};

QString WhyNotDrawn(const korvanta::ViewSceneVerdict& verdict) {
    using korvanta::ViewSceneFault;
    switch (verdict.fault) {
        case ViewSceneFault::Unreadable:
            return TrCompose("its model file cannot be read: %s", {std::generic_category().message(verdict.error)});
        case ViewSceneFault::OverMemory:
            return QString::fromStdString(kvhost::DrawingNeedsMoreMemory(verdict.placements, verdict.triangles,
                                                                         verdict.memoryNeeded, verdict.memoryAvailable));
        case ViewSceneFault::OutOfMemory: return Tr("there is not enough memory to draw it");
        default: return UndrawableScene();
    }
}

}  // namespace

std::uint64_t ImagesDecodedForView() {
    return imagesDecoded;
}

QString UndrawableScene() {
    return Tr("its model file holds a scene the view cannot draw");
}

ModelScene ReadModelScene(const std::string& modelFile, const korvanta::ViewerRates& rates, std::uint64_t memoryAvailable,
                          qint64 imageBytes) {
    try {
        korvanta::ViewScene read;
        const korvanta::ViewSceneVerdict verdict = korvanta::ReadViewScene(modelFile, rates, memoryAvailable, read);
        if (verdict.fault != korvanta::ViewSceneFault::None) {
            ModelScene scene;
            scene.whyNotDrawn = WhyNotDrawn(verdict);
            return scene;
        }
        return SceneMaker(read, imageBytes).Make();
    } catch (const std::bad_alloc&) {
        ModelScene scene;
        scene.whyNotDrawn = Tr("there is not enough memory to draw it");
        return scene;
    }
}

}  // namespace kvstudio
