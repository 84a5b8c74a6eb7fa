#include "SceneNodes.h"

#include <QQuaternion>
#include <QVector3D>

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <string>

namespace kvstudio {

namespace {

// Reads the nodes as the parser hands over the text's values, keeping only
// what the view draws: the transform, the mesh and the children. Values of
// other members are passed over.
class NodeReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    bool null() override { return Scalar(); }
    bool boolean(bool) override { return Scalar(); }
    bool string(string_t&) override { return Scalar(); }
    bool binary(binary_t&) override { return false; }
    bool number_integer(number_integer_t value) override {
        return value >= 0 ? number_unsigned(static_cast<number_unsigned_t>(value)) : Number(static_cast<double>(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        if (skipping_ == 0 && ((depth_ == kInNode && key_ == Key::Mesh) || (depth_ == kInMember && key_ == Key::Children))) {
            if (value > static_cast<number_unsigned_t>(std::numeric_limits<int>::max())) return false;
            if (key_ == Key::Mesh) {
                mesh_ = static_cast<int>(value);
            } else {
                result_.children.push_back(static_cast<int>(value));
            }
            return true;
        }
        return Number(static_cast<double>(value));
    }
    bool number_float(number_float_t value, const string_t&) override { return Number(value); }

    bool start_object(std::size_t) override {
        if (skipping_ != 0 || (depth_ == kInNode && key_ == Key::Other)) return Skip();
        if (depth_ != kInArray) return false;
        depth_ = kInNode;
        StartNode();
        return true;
    }
    bool end_object() override {
        if (skipping_ != 0) return Unskip();
        if (depth_ != kInNode) return false;
        depth_ = kInArray;
        return EndNode();
    }
    bool start_array(std::size_t) override {
        if (skipping_ != 0 || (depth_ == kInNode && key_ == Key::Other)) return Skip();
        if (depth_ == kBefore) {
            depth_ = kInArray;
            return true;
        }
        if (depth_ != kInNode || key_ == Key::Mesh) return false;
        depth_ = kInMember;
        numbers_.clear();
        return true;
    }
    bool end_array() override {
        if (skipping_ != 0) return Unskip();
        if (depth_ == kInArray) {
            depth_ = kBefore;
            ended_ = true;
            return true;
        }
        if (depth_ != kInMember) return false;
        depth_ = kInNode;
        return TakeNumbers();
    }
    bool key(string_t& key) override {
        if (skipping_ != 0) return true;
        key_ = key == "mesh"          ? Key::Mesh
             : key == "children"      ? Key::Children
             : key == "matrix"        ? Key::Matrix
             : key == "translation"   ? Key::Translation
             : key == "rotation"      ? Key::Rotation
             : key == "scale"         ? Key::Scale
                                      : Key::Other;
        // A member given twice would be read twice into one node.
        const unsigned bit = 1u << static_cast<unsigned>(key_);
        if (key_ != Key::Other && (seen_ & bit) != 0) return false;
        seen_ |= bit;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    std::optional<SceneNodes> Take() {
        if (!ended_) return std::nullopt;
        return std::move(result_);
    }

private:
    enum class Key : unsigned { Mesh, Children, Matrix, Translation, Rotation, Scale, Other };
    // Where the parser is: before the array, in it, in a node, in the array of a member read.
    static constexpr int kBefore = 0, kInArray = 1, kInNode = 2, kInMember = 3;

    bool Scalar() const { return skipping_ != 0 || (depth_ == kInNode && key_ == Key::Other); }
    bool Skip() {
        ++skipping_;
        return true;
    }
    bool Unskip() {
        --skipping_;
        return true;
    }
    bool Number(double value) {
        if (Scalar()) return true;
        if (depth_ != kInMember || key_ == Key::Children || !std::isfinite(value) || numbers_.size() == 16) return false;
        numbers_.push_back(static_cast<float>(value));
        return true;
    }

    void StartNode() {
        seen_ = 0;
        mesh_ = -1;
        matrix_ = QMatrix4x4();
        translation_ = {};
        rotation_ = {};
        scale_ = {1, 1, 1};
        firstChild_ = result_.children.size();
    }

    bool TakeNumbers() {
        const std::vector<float>& n = numbers_;
        switch (key_) {
            case Key::Matrix:
                if (n.size() != 16) return false;
                for (int column = 0; column < 4; ++column) {
                    for (int row = 0; row < 4; ++row) matrix_(row, column) = n[static_cast<std::size_t>(column * 4 + row)];
                }
                return true;
            case Key::Translation:
                if (n.size() != 3) return false;
                translation_ = QVector3D(n[0], n[1], n[2]);
                return true;
            case Key::Rotation:
                if (n.size() != 4) return false;
                rotation_ = QQuaternion(n[3], n[0], n[1], n[2]);
                return true;
            case Key::Scale:
                if (n.size() != 3) return false;
                scale_ = QVector3D(n[0], n[1], n[2]);
                return true;
            case Key::Children: return true;
            case Key::Mesh:
            case Key::Other: break;
        }
        return false;
    }

    bool EndNode() {
        const unsigned parts = 1u << static_cast<unsigned>(Key::Translation) | 1u << static_cast<unsigned>(Key::Rotation) |
                               1u << static_cast<unsigned>(Key::Scale);
        const bool hasParts = (seen_ & parts) != 0;
        // glTF gives a node's transform as a matrix or as its parts, not both.
        if (hasParts && (seen_ & 1u << static_cast<unsigned>(Key::Matrix)) != 0) return false;
        if (result_.nodes.size() == static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
        SceneNode& node = result_.nodes.emplace_back();
        if (hasParts) {
            node.transform.translate(translation_);
            node.transform.rotate(rotation_);
            node.transform.scale(scale_);
        } else {
            node.transform = matrix_;
        }
        node.mesh = mesh_;
        node.firstChild = static_cast<int>(firstChild_);
        node.childCount = static_cast<int>(result_.children.size() - firstChild_);
        return true;
    }

    SceneNodes result_;
    int depth_ = kBefore;
    int skipping_ = 0;  // how deep in a value passed over
    bool ended_ = false;
    Key key_ = Key::Other;
    unsigned seen_ = 0;  // the node's members read so far, a bit each
    int mesh_ = -1;
    QMatrix4x4 matrix_;
    QVector3D translation_;
    QQuaternion rotation_;
    QVector3D scale_;
    std::size_t firstChild_ = 0;
    std::vector<float> numbers_;
};

// The end of the JSON string that starts at `at` (a quote), past its closing quote.
std::optional<qsizetype> StringEnd(const QByteArray& text, qsizetype at) {
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            return i + 1;
        }
    }
    return std::nullopt;
}

qsizetype SkipSpace(const QByteArray& text, qsizetype at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    return at;
}

// The end of the JSON value that starts at `at`: strings passed over whole,
// brackets counted. The value is not checked: the parser checks it.
std::optional<qsizetype> ValueEnd(const QByteArray& text, qsizetype at) {
    qsizetype depth = 0;
    for (qsizetype i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            const std::optional<qsizetype> end = StringEnd(text, i);
            if (!end || depth == 0) return end;
            i = *end - 1;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) return i;
            if (--depth == 0) return i + 1;
        } else if (c == ',' && depth == 0) {
            return i;
        }
    }
    return depth == 0 ? std::optional<qsizetype>(text.size()) : std::nullopt;
}

}  // namespace

std::optional<SceneNodes> ReadSceneNodes(std::string_view json) {
    NodeReader reader;
    if (!nlohmann::json::sax_parse(json.begin(), json.end(), &reader)) return std::nullopt;
    return reader.Take();
}

std::optional<std::pair<qsizetype, qsizetype>> MemberValue(const QByteArray& document, std::string_view key) {
    qsizetype at = SkipSpace(document, 0);
    if (at >= document.size() || document[at] != '{') return std::nullopt;
    at = SkipSpace(document, at + 1);
    while (at < document.size() && document[at] == '"') {
        const std::optional<qsizetype> keyEnd = StringEnd(document, at);
        if (!keyEnd) return std::nullopt;
        const std::string_view name(document.constData() + at + 1, static_cast<std::size_t>(*keyEnd - at - 2));
        at = SkipSpace(document, *keyEnd);
        if (at >= document.size() || document[at] != ':') return std::nullopt;
        const qsizetype valueStart = SkipSpace(document, at + 1);
        const std::optional<qsizetype> valueEnd = ValueEnd(document, valueStart);
        if (!valueEnd || *valueEnd <= valueStart) return std::nullopt;
        if (name == key) return std::pair(valueStart, *valueEnd - valueStart);
        at = SkipSpace(document, *valueEnd);
        if (at >= document.size() || document[at] != ',') return std::nullopt;
        at = SkipSpace(document, at + 1);
    }
    return std::nullopt;
}

}  // namespace kvstudio
