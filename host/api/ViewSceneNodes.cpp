#include "ViewSceneNodes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace korvanta {

namespace {

// translation times rotation times scale, glTF's parts of a transform.
ViewMatrix Composed(const std::array<float, 3>& t, const std::array<float, 4>& q, const std::array<float, 3>& s) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    const float rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                                  {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                                  {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    ViewMatrix m = kViewIdentity;
    for (std::size_t column = 0; column < 3; ++column) {
        for (std::size_t row = 0; row < 3; ++row) m[column * 4 + row] = rotation[row][column] * s[column];
        m[12 + column] = t[column];
    }
    return m;
}

// Reads the nodes as the parser hands over the text's values, keeping only
// what the view draws: the transform, the mesh and the children. Values of
// other members are passed over.
class NodeReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    NodeReader(std::size_t mostNodes, ViewScene& scene) : mostNodes_(mostNodes), result_(scene) {}

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
               : key == "children"    ? Key::Children
               : key == "matrix"      ? Key::Matrix
               : key == "translation" ? Key::Translation
               : key == "rotation"    ? Key::Rotation
               : key == "scale"       ? Key::Scale
                                      : Key::Other;
        // A member given twice would be read twice into one node.
        const unsigned bit = 1u << static_cast<unsigned>(key_);
        if (key_ != Key::Other && (seen_ & bit) != 0) return false;
        seen_ |= bit;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    bool Ended() const { return ended_; }

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
        matrix_ = kViewIdentity;
        translation_ = {};
        rotation_ = {0, 0, 0, 1};
        scale_ = {1, 1, 1};
        firstChild_ = result_.children.size();
    }

    bool TakeNumbers() {
        const std::vector<float>& n = numbers_;
        switch (key_) {
            case Key::Matrix:
                if (n.size() != 16) return false;
                std::copy(n.begin(), n.end(), matrix_.begin());
                return true;
            case Key::Translation:
                if (n.size() != 3) return false;
                translation_ = {n[0], n[1], n[2]};
                return true;
            case Key::Rotation:
                if (n.size() != 4) return false;
                rotation_ = {n[0], n[1], n[2], n[3]};
                return true;
            case Key::Scale:
                if (n.size() != 3) return false;
                scale_ = {n[0], n[1], n[2]};
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
        if (result_.nodes.size() >= mostNodes_ ||
            result_.nodes.size() == static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            return false;
        }
        ViewNode& node = result_.nodes.emplace_back();
        node.transform = hasParts ? Composed(translation_, rotation_, scale_) : matrix_;
        node.mesh = mesh_;
        node.firstChild = static_cast<int>(firstChild_);
        node.childCount = static_cast<int>(result_.children.size() - firstChild_);
        return true;
    }

    std::size_t mostNodes_;
    ViewScene& result_;
    int depth_ = kBefore;
    int skipping_ = 0;  // how deep in a value passed over
    bool ended_ = false;
    Key key_ = Key::Other;
    unsigned seen_ = 0;  // the node's members read so far, a bit each
    int mesh_ = -1;
    ViewMatrix matrix_ = kViewIdentity;
    std::array<float, 3> translation_{};
    std::array<float, 4> rotation_{0, 0, 0, 1};  // x, y, z, w
    std::array<float, 3> scale_{1, 1, 1};
    std::size_t firstChild_ = 0;
    std::vector<float> numbers_;
};

// The end of the JSON string that starts at `at` (a quote), past its closing quote.
std::optional<std::size_t> StringEnd(std::string_view text, std::size_t at) {
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            return i + 1;
        }
    }
    return std::nullopt;
}

std::size_t SkipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    return at;
}

// The end of the JSON value that starts at `at`: strings passed over whole,
// brackets counted. The value is not checked: the parser checks it.
std::optional<std::size_t> ValueEnd(std::string_view text, std::size_t at) {
    std::size_t depth = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            const std::optional<std::size_t> end = StringEnd(text, i);
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
    return depth == 0 ? std::optional<std::size_t>(text.size()) : std::nullopt;
}

}  // namespace

bool ReadViewNodes(std::string_view json, std::size_t mostNodes, ViewScene& scene) {
    NodeReader reader(mostNodes, scene);
    return nlohmann::json::sax_parse(json.begin(), json.end(), &reader) && reader.Ended();
}

std::optional<std::pair<std::size_t, std::size_t>> MemberValue(std::string_view document, std::string_view key) {
    std::size_t at = SkipSpace(document, 0);
    if (at >= document.size() || document[at] != '{') return std::nullopt;
    at = SkipSpace(document, at + 1);
    while (at < document.size() && document[at] == '"') {
        const std::optional<std::size_t> keyEnd = StringEnd(document, at);
        if (!keyEnd) return std::nullopt;
        const std::string_view name = document.substr(at + 1, *keyEnd - at - 2);
        at = SkipSpace(document, *keyEnd);
        if (at >= document.size() || document[at] != ':') return std::nullopt;
        const std::size_t valueStart = SkipSpace(document, at + 1);
        const std::optional<std::size_t> valueEnd = ValueEnd(document, valueStart);
        if (!valueEnd || *valueEnd <= valueStart) return std::nullopt;
        if (name == key) return std::pair(valueStart, *valueEnd - valueStart);
        at = SkipSpace(document, *valueEnd);
        if (at >= document.size() || document[at] != ',') return std::nullopt;
        at = SkipSpace(document, at + 1);
    }
    return std::nullopt;
}

}  // namespace korvanta
