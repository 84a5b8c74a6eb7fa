#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "SceneNodes.h"

#include <initializer_list>
#include <utility>

namespace kvstudio {

// glTF's codes for the types of the values in its arrays.
inline constexpr int kGltfUnsignedShort = 5123;
inline constexpr int kGltfUnsignedInt = 5125;
inline constexpr int kGltfFloat = 5126;

// A glTF binary file read piece by piece: its JSON document at once (its
// node tree straight into small records, see SceneNodes.h), then
// from its binary chunk only the arrays asked for, each checked against the
// file before it is read. Whatever does not hold together or cannot be read
// throws a Refusal.
class GlbFile {
public:
    // Why the file cannot be used, in the user's words.
    struct Refusal {
        QString why;
    };

    // A typed array in the binary chunk, tightly packed.
    struct Accessor {
        qint64 offset = 0;  // in the file
        qint64 count = 0;
        int componentType = 0;
    };

    explicit GlbFile(const QString& path);

    // The document without its nodes, which TakeNodes() hands over once.
    const QJsonObject& Document() const { return document_; }
    SceneNodes TakeNodes() { return std::move(nodes_); }

    // A whole number in [0, end), where the file gives an index or a count.
    qint64 Number(const QJsonValue& value, qint64 end) const;
    // The same for a key of `object`, or `absent` when it has none.
    qint64 NumberOr(const QJsonObject& object, const char* key, qint64 end, qint64 absent) const;

    // An accessor of `components` values of one of `types` each.
    Accessor AccessorAt(qint64 index, std::initializer_list<int> types, int components) const;
    qint64 AccessorCount() const { return accessors_.size(); }
    // The bytes of the buffer view that `index` names.
    QByteArray ViewBytes(const QJsonValue& index);
    QByteArray ReadAt(qint64 offset, qint64 length);

    // The refusal for a file that does not hold together, and its words.
    [[noreturn]] void Refuse() const;
    static QString Undrawable();

private:
    [[noreturn]] void Unreadable() const;
    // Where a view's bytes are in the file, and how many there are; views of
    // arrays have no stride other than their elements' size.
    std::pair<qint64, qint64> ViewAt(const QJsonValue& index, qint64 elementBytes) const;

    QFile file_;
    QJsonObject document_;
    SceneNodes nodes_;
    QJsonArray views_;
    QJsonArray accessors_;
    qint64 binaryStart_ = 0;
    qint64 binaryLength_ = 0;
};

}  // namespace kvstudio
