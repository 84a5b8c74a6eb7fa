#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "utils/Variant.h"

using namespace hollin::utils;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

VariantDictionary Nested() {
    VariantDictionary inner{{Utf16String("t"), Variant(Utf16String("inner text"))}};
    return {{Utf16String("b"), Variant(VariantVector{Variant(1), Variant(inner), Variant(Utf16String("x"))})},
            {Utf16String("a"), Variant(inner)}};
}

}  // namespace

TEST(Variant, TypeChoicesAndConversionsToBoolAndInteger) {
    EXPECT_EQ(Variant("text").GetType(), Variant::String);  // not Bool
    EXPECT_EQ(Variant(std::uint64_t{1}).GetType(), Variant::Opaque);

    const struct {
        Variant value;
        bool asBool;
        std::int32_t asInt;
    } cases[] = {
        {Variant(), false, 0}, {Variant(true), true, 0}, {Variant("12"), false, 0},
        {Variant(static_cast<unsigned char>(200)), true, -56},
        {Variant(static_cast<unsigned short>(0x8000)), true, -32768},
        {Variant(0x1'0000'0005L), true, 5},  // long keeps 32 bits
        {Variant(-2.9), true, -2}, {Variant(-0.0), false, 0}, {Variant(3e9f), true, INT32_MIN},
        {Variant(std::numeric_limits<double>::quiet_NaN()), true, INT32_MIN},
        {Variant(2147483648.0), true, INT32_MIN}, {Variant(-2147483648.9), true, INT32_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        EXPECT_EQ(c.value.AsBool(), c.asBool);
        EXPECT_EQ(c.value.AsInt32(), c.asInt);
    }
}

TEST(Variant, EqualityNeedsTheSameTypeAndNeverHoldsForContainersOrNothing) {
    EXPECT_EQ(Variant("abc"), Variant(Utf16String("abc")));
    EXPECT_FALSE(Variant(3) == Variant(3L));
    EXPECT_FALSE(Variant(std::nan("")) == Variant(std::nan("")));
    EXPECT_FALSE(Variant() == Variant());
    const Variant vector(VariantVector{});
    EXPECT_FALSE(vector == vector);
    EXPECT_FALSE(Variant(VariantDictionary{}) == Variant(VariantDictionary{}));
}

// Texts are shared by copies and live as long as one holder does; containers
// are deep copies; a variant may be assigned a part of itself.
TEST(Variant, CopiesShareTextsAndDeepCopyContainersEvenFromAPartOfThemselves) {
    Utf16String out("untouched");
    EXPECT_FALSE(Variant(5).GetString(out));
    EXPECT_EQ(out.ToUtf8(), "untouched");
    EXPECT_EQ(&Variant(5).AsString(), &Variant().AsString());  // the one shared empty text

    auto* source = new Variant(Utf16String("shared"));
    Variant copy(*source);
    Variant assigned;
    assigned = copy;
    EXPECT_EQ(&copy.AsString(), &source->AsString());
    delete source;
    EXPECT_TRUE(copy.GetString(out));
    EXPECT_EQ(out.ToUtf8(), "shared");
    copy = 1;  // one holder left
    EXPECT_EQ(assigned.AsString().ToUtf8(), "shared");
    assigned = assigned.AsString();  // a new block made from the old one's text
    EXPECT_EQ(assigned.AsString().ToUtf8(), "shared");

    Variant original(Nested());
    Variant deep(original);
    deep.GetDictionaryValue(Utf16String("a")).GetDictionaryValue(Utf16String("t")) = 5;
    EXPECT_EQ(original.GetDictionaryValue(Utf16String("a")).GetDictionaryValue(Utf16String("t")).AsString().ToUtf8(),
              "inner text");
    EXPECT_EQ(original.GetDictionaryKeys().front().ToUtf8(), "a");
    original = original;
    original = original.GetDictionaryValue(Utf16String("b"));
    EXPECT_EQ(original.GetVectorElement(2).AsString().ToUtf8(), "x");
    original = original.GetVectorElement(1);
    EXPECT_EQ(original.GetDictionaryValue(Utf16String("t")).AsString().ToUtf8(), "inner text");
    Variant vector(VariantVector{Variant(Utf16String("only holder")), Variant(2)});
    vector = vector.GetVectorElement(0);  // the text's block outlives the freed vector
    EXPECT_EQ(vector.AsString().ToUtf8(), "only holder");
}

TEST(Variant, ContainerAccessThrowsWithExactMessages) {
    Variant flag(true);
    Variant pair(VariantVector{Variant(1), Variant(2)});
    Variant dictionary(Nested());
    const auto notDictionary = ThrowsMessage<std::invalid_argument>(StrEq("Variant is not of dictionary type."));
    const auto notVector = ThrowsMessage<std::invalid_argument>(StrEq("Variant is not of vector type."));
    const auto badSubscript = ThrowsMessage<std::out_of_range>(StrEq("invalid vector<T> subscript"));
    EXPECT_THAT([&] { flag.GetDictionary(); }, notDictionary);
    EXPECT_THAT([&] { pair.GetDictionaryValue(Utf16String("a")); }, notDictionary);
    EXPECT_THAT([&] { dictionary.GetDictionaryValue(Utf16String("c")); },
                ThrowsMessage<std::out_of_range>(StrEq("invalid map<K, T> key")));
    EXPECT_THAT([&] { dictionary.GetVector(); }, notVector);
    EXPECT_THAT([&] { std::as_const(flag).GetVectorSize(); }, notVector);
    EXPECT_THAT([&] { pair.GetVectorElement(3); }, badSubscript);
    EXPECT_THAT([&] { std::as_const(pair).GetVectorElement(-1); }, badSubscript);
}
