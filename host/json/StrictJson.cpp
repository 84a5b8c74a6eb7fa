#include "StrictJson.h"

#include <unordered_set>
#include <vector>

namespace korvanta {
namespace {

using nlohmann::json;
using DomBuilder = nlohmann::detail::json_sax_dom_parser<json>;

// A pointer to a member deep down names every level above it; past this many
// bytes the rest says nothing a person would read.
constexpr std::size_t kLongestMember = 120;

// An array or an object that is open: for an array, the index of the
// element being read; for an object, the key being read and those before it.
struct Level {
    bool isObject = false;
    std::size_t nextIndex = 0;
    std::string member;
    std::unordered_set<std::string> keys;
};

// A JSON pointer's reference token (RFC 6901), with control characters, C1
// controls included, shown as '?' so that a message never carries them to a
// terminal. The parser has made sure the text is UTF-8.
void AppendToken(std::string& pointer, const std::string& token) {
    pointer += '/';
    for (std::size_t i = 0; i < token.size(); ++i) {
        const auto byte = static_cast<unsigned char>(token[i]);
        if (byte == '~') {
            pointer += "~0";
        } else if (byte == '/') {
            pointer += "~1";
        } else if (byte < 0x20 || byte == 0x7F) {
            pointer += '?';
        } else if (byte == 0xC2 && i + 1 < token.size() && static_cast<unsigned char>(token[i + 1]) < 0xA0) {
            pointer += '?';
            ++i;
        } else {
            pointer += token[i];
        }
    }
}

// nlohmann's own document builder, stopped at a key given twice and at a
// level too deep, and keeping track of where it is for the verdict. The
// values of top-level members not in `keep` (when given) are checked as
// strictly but not built.
class StrictBuilder : public DomBuilder {
public:
    StrictBuilder(json& document, const std::set<std::string, std::less<>>* keep) : DomBuilder(document, false), keep_(keep) {}

    const JsonVerdict& Verdict() const { return verdict_; }

    bool null() { return (skipping_ || DomBuilder::null()) && Element(); }
    bool boolean(bool value) { return (skipping_ || DomBuilder::boolean(value)) && Element(); }
    bool number_integer(number_integer_t value) { return (skipping_ || DomBuilder::number_integer(value)) && Element(); }
    bool number_unsigned(number_unsigned_t value) { return (skipping_ || DomBuilder::number_unsigned(value)) && Element(); }
    bool number_float(number_float_t value, const string_t& text) {
        return (skipping_ || DomBuilder::number_float(value, text)) && Element();
    }
    bool string(string_t& value) { return (skipping_ || DomBuilder::string(value)) && Element(); }

    bool start_object(std::size_t length) { return Enter(true) && (skipping_ || DomBuilder::start_object(length)); }
    bool start_array(std::size_t length) { return Enter(false) && (skipping_ || DomBuilder::start_array(length)); }
    bool end_object() {
        const bool skipped = skipping_;
        return Leave() && (skipped || DomBuilder::end_object());
    }
    bool end_array() {
        const bool skipped = skipping_;
        return Leave() && (skipped || DomBuilder::end_array());
    }

    bool key(string_t& name) {
        Level& level = levels_.back();
        level.member = name;
        if (!level.keys.insert(name).second) return Fail(JsonFault::DuplicateKey);
        if (levels_.size() == 1 && keep_ != nullptr && keep_->count(name) == 0) skipping_ = true;
        return skipping_ || DomBuilder::key(name);
    }

    template <class Exception>
    bool parse_error(std::size_t position, const std::string& lastToken, const Exception& exception) {
        // The position counts the bytes read, the offending one included.
        verdict_ = {JsonFault::Malformed, position > 0 ? position - 1 : 0, {}};
        return DomBuilder::parse_error(position, lastToken, exception);
    }

private:
    // A value has been read: in an array, the next one is the next element;
    // at the top level, a member passed over has ended.
    bool Element() {
        if (!levels_.empty() && !levels_.back().isObject) ++levels_.back().nextIndex;
        if (levels_.size() == 1) skipping_ = false;
        return true;
    }

    bool Enter(bool isObject) {
        if (levels_.size() >= static_cast<std::size_t>(kMaxJsonNesting)) return Fail(JsonFault::TooDeep);
        levels_.push_back({isObject, 0, {}, {}});
        return true;
    }

    bool Leave() {
        levels_.pop_back();
        return Element();
    }

    bool Fail(JsonFault fault) {
        verdict_ = {fault, 0, CurrentMember()};
        return false;
    }

    std::string CurrentMember() const {
        std::string pointer;
        for (const Level& level : levels_) {
            AppendToken(pointer, level.isObject ? level.member : std::to_string(level.nextIndex));
            if (pointer.size() > kLongestMember) {
                std::size_t cut = kLongestMember;
                while (cut > 0 && (static_cast<unsigned char>(pointer[cut]) & 0xC0) == 0x80) --cut;
                pointer.resize(cut);
                return pointer + "...";
            }
        }
        return pointer;
    }

    std::vector<Level> levels_;
    JsonVerdict verdict_;
    const std::set<std::string, std::less<>>* keep_;
    bool skipping_ = false;
};

}  // namespace

JsonVerdict ParseJsonObject(std::string_view text, nlohmann::json& document,
                            const std::set<std::string, std::less<>>* keep) {
    document = json();
    StrictBuilder builder(document, keep);
    JsonVerdict verdict;
    if (!json::sax_parse(text.data(), text.data() + text.size(), &builder)) {
        verdict = builder.Verdict();
        // A handler that stopped the parse has said why; the parser's own
        // refusals come through parse_error.
        if (verdict.fault == JsonFault::None) verdict.fault = JsonFault::Malformed;
    } else if (!document.is_object()) {
        verdict.fault = JsonFault::NotAnObject;
    }
    if (verdict.fault != JsonFault::None) document = json(json::value_t::discarded);
    return verdict;
}

}  // namespace korvanta
