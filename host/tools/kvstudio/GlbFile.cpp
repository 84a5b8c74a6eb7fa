#include "GlbFile.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "StudioText.h"

namespace kvstudio {

namespace {

// The GLB container: a 12-byte header, then the JSON chunk and the binary
// chunk, each after its length and type.
constexpr quint32 kGlbMagic = 0x46546C67;     // "glTF"
constexpr quint32 kJsonChunk = 0x4E4F534A;    // "JSON"
constexpr quint32 kBinaryChunk = 0x004E4942;  // "BIN\0"
constexpr qint64 kHeaderBytes = 12;
constexpr qint64 kChunkHeaderBytes = 8;
// Larger than any offset or length a GLB can state.
constexpr qint64 kBeyondAnyLength = qint64{1} << 40;

quint32 WordAt(const QByteArray& bytes, qint64 offset) {
    quint32 word = 0;
    std::memcpy(&word, bytes.constData() + offset, sizeof word);
    return word;
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
    if (size < kHeaderBytes + kChunkHeaderBytes) Refuse();
    const QByteArray header = ReadAt(0, kHeaderBytes + kChunkHeaderBytes);
    const qint64 jsonLength = WordAt(header, 12);
    if (WordAt(header, 0) != kGlbMagic || WordAt(header, 4) != 2 || WordAt(header, 8) != size ||
        WordAt(header, 16) != kJsonChunk || jsonLength > size - kHeaderBytes - kChunkHeaderBytes) {
        Refuse();
    }
    const QJsonDocument json = QJsonDocument::fromJson(ReadAt(kHeaderBytes + kChunkHeaderBytes, jsonLength));
    if (!json.isObject()) Refuse();
    document_ = json.object();
    views_ = document_.value(QLatin1String("bufferViews")).toArray();
    accessors_ = document_.value(QLatin1String("accessors")).toArray();
    const qint64 binaryHeader = kHeaderBytes + kChunkHeaderBytes + jsonLength;
    if (size - binaryHeader >= kChunkHeaderBytes) {
        const QByteArray chunk = ReadAt(binaryHeader, kChunkHeaderBytes);
        binaryStart_ = binaryHeader + kChunkHeaderBytes;
        binaryLength_ = WordAt(chunk, 0);
        if (WordAt(chunk, 4) != kBinaryChunk || binaryLength_ > size - binaryStart_) Refuse();
    }
}

void GlbFile::Refuse() const {
    throw Refusal{Tr("its model file holds a scene the view cannot draw")};
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
