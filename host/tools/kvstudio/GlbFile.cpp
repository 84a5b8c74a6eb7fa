#include "GlbFile.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "GlbLayout.h"
#include "StudioText.h"

namespace kvstudio {

namespace {

// Larger than any offset or length a GLB can state.
constexpr qint64 kBeyondAnyLength = qint64{1} << 40;

std::span<const std::uint8_t> Bytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

int ComponentsOf(const QString& type) {
    if (type == QLatin1String("SCALAR")) return 1;
    if (type == QLatin1String("VEC2")) return 2;
    return type == QLatin1String("VEC3") ? 3 : 0;
}

}  // namespace

GlbFile::GlbFile(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::ReadOnly)) Unreadable();
    const qint64 size = file_.size();
    constexpr auto kJsonStart = static_cast<qint64>(korvanta::kGlbJsonStart);
    if (size < kJsonStart) Refuse();
    const QByteArray header = ReadAt(0, kJsonStart);
    const std::optional<std::size_t> stated = korvanta::GlbJsonLength(Bytes(header), static_cast<std::uint64_t>(size));
    if (!stated) Refuse();
    const auto jsonLength = static_cast<qint64>(*stated);
    QByteArray text = ReadAt(kJsonStart, jsonLength);
    if (const auto nodes = MemberValue(text, "nodes")) {
        std::optional<SceneNodes> read =
            ReadSceneNodes(std::string_view(text.constData() + nodes->first, static_cast<std::size_t>(nodes->second)));
        if (!read) Refuse();
        nodes_ = std::move(*read);
        text.replace(nodes->first, nodes->second, "[]");
    }
    const QJsonDocument json = QJsonDocument::fromJson(text);
    text.clear();
    if (!json.isObject()) Refuse();
    document_ = json.object();
    views_ = document_.value(QLatin1String("bufferViews")).toArray();
    accessors_ = document_.value(QLatin1String("accessors")).toArray();
    const qint64 binaryHeader = kJsonStart + jsonLength;
    constexpr auto kChunkHeaderBytes = static_cast<qint64>(korvanta::kGlbChunkHeaderBytes);
    if (size - binaryHeader >= kChunkHeaderBytes) {
        const QByteArray chunk = ReadAt(binaryHeader, kChunkHeaderBytes);
        binaryStart_ = binaryHeader + kChunkHeaderBytes;
        binaryLength_ = korvanta::GlbWordAt(Bytes(chunk), 0);
        if (korvanta::GlbWordAt(Bytes(chunk), 4) != korvanta::kGlbBinaryChunkType || binaryLength_ > size - binaryStart_) Refuse();
    }
}

void GlbFile::Refuse() const {
    throw Refusal{Undrawable()};
}

QString GlbFile::Undrawable() {
    return Tr("its model file holds a scene the view cannot draw");
}

void GlbFile::Unreadable() const {
    throw Refusal{TrCompose("its model file cannot be read: %s", {file_.errorString().toStdString()})};
}

QByteArray GlbFile::ReadAt(qint64 offset, qint64 length) {
    QByteArray bytes(length, Qt::Uninitialized);
    if (!file_.seek(offset) || file_.read(bytes.data(), length) != length) Unreadable();
    return bytes;
}

qint64 GlbFile::Number(const QJsonValue& value, qint64 end) const {
    const double number = value.toDouble(-1.0);
    if (!(number >= 0.0 && number < static_cast<double>(end)) || number != std::floor(number)) Refuse();
    return static_cast<qint64>(number);
}

qint64 GlbFile::NumberOr(const QJsonObject& object, const char* key, qint64 end, qint64 absent) const {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isUndefined() ? absent : Number(value, end);
}

std::pair<qint64, qint64> GlbFile::ViewAt(const QJsonValue& index, qint64 elementBytes) const {
    const QJsonObject view = views_.at(Number(index, views_.size())).toObject();
    const qint64 offset = NumberOr(view, "byteOffset", kBeyondAnyLength, 0);
    const qint64 length = Number(view.value(QLatin1String("byteLength")), kBeyondAnyLength);
    const qint64 stride = NumberOr(view, "byteStride", kBeyondAnyLength, elementBytes);
    if (Number(view.value(QLatin1String("buffer")), 1) != 0 || offset > binaryLength_ || length > binaryLength_ - offset ||
        stride != elementBytes) {
        Refuse();
    }
    return {binaryStart_ + offset, length};
}

QByteArray GlbFile::ViewBytes(const QJsonValue& index) {
    const auto [offset, length] = ViewAt(index, 0);
    return ReadAt(offset, length);
}

GlbFile::Accessor GlbFile::AccessorAt(qint64 index, std::initializer_list<int> types, int components) const {
    if (index < 0 || index >= accessors_.size()) Refuse();
    const QJsonObject accessor = accessors_.at(index).toObject();
    const auto type = static_cast<int>(Number(accessor.value(QLatin1String("componentType")), kGltfFloat + 1));
    if (std::find(types.begin(), types.end(), type) == types.end() ||
        ComponentsOf(accessor.value(QLatin1String("type")).toString()) != components ||
        accessor.contains(QLatin1String("sparse"))) {
        Refuse();
    }
    const qint64 elementBytes = components * (type == kGltfUnsignedShort ? 2 : 4);
    const auto [viewOffset, viewLength] = ViewAt(accessor.value(QLatin1String("bufferView")), elementBytes);
    const qint64 offset = NumberOr(accessor, "byteOffset", viewLength + 1, 0);
    const qint64 count = Number(accessor.value(QLatin1String("count")), (viewLength - offset) / elementBytes + 1);
    return {viewOffset + offset, count, type};
}

}  // namespace kvstudio
