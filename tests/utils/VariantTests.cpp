#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "utils/Variant.h"

using namespace hollin::utils;

namespace {

template <typename Exception, typename Call>
void ExpectThrowWithMessage(Call call, const char* message) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), message);
    }
}

VariantDictionary Nested() {
    VariantDictionary inner{{Utf16String("t"), Variant(Utf16String("inner text"))}};
    return {{Utf16String("b"), Variant(VariantVector{Variant(1), Variant(inner), Variant(Utf16String("x"))})},
            {Utf16String("a"), Variant(inner)}};
}

}  // namespace

TEST(Variant, PlatformTypeChoices) {
    EXPECT_EQ(Variant(1L).GetType(), Variant::Long);
    EXPECT_EQ(Variant(std::uint64_t{1}).GetType(), Variant::Opaque);
    EXPECT_EQ(Variant("text").GetType(), Variant::String);  // not Bool
    EXPECT_EQ(Variant('c').GetType(), Variant::Char);
}

TEST(Variant, ConversionsToBoolAndInteger) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        Variant value;
        bool asBool;
        std::int32_t asInt;
    } cases[] = {
        {Variant(), false, 0},
        {Variant(true), true, 0},
        {Variant(static_cast<unsigned char>(200)), true, -56},
        {Variant(static_cast<unsigned short>(0x8000)), true, -32768},
        {Variant(-7), true, -7},
        {Variant(0x1'0000'0005L), true, 5},  // long keeps 32 bits
        {Variant(2.9), true, 2},
        {Variant(-2.9), true, -2},
        {Variant(-0.0), false, 0},
        {Variant(nan), true, INT32_MIN},
        {Variant(2147483648.0), true, INT32_MIN},
        {Variant(-2147483648.9), true, INT32_MIN},
        {Variant(-std::numeric_limits<double>::infinity()), true, INT32_MIN},
        {Variant(-1.5f), true, -1},
        {Variant(3e9f), true, INT32_MIN},
        {Variant("12"), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        EXPECT_EQ(c.value.AsBool(), c.asBool);
        EXPECT_EQ(c.value.AsInt32(), c.asInt);
    }
}

TEST(Variant, EqualityRules) {
    EXPECT_EQ(Variant(3), Variant(3));
    EXPECT_FALSE(Variant(3) == Variant(3L));  // different types
    EXPECT_EQ(Variant(0.0), Variant(-0.0));
    EXPECT_FALSE(Variant(std::nan("")) == Variant(std::nan("")));
    EXPECT_EQ(Variant("abc"), Variant(Utf16String("abc")));
    EXPECT_EQ(Variant(std::uint64_t{9}), Variant(std::uint64_t{9}));
    EXPECT_FALSE(Variant() == Variant());
    const Variant vector(VariantVector{});
    EXPECT_FALSE(vector == vector);
    EXPECT_FALSE(Variant(VariantDictionary{}) == Variant(VariantDictionary{}));
}

TEST(Variant, TextsAreSharedAndOutliveTheirSource) {
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
}

TEST(Variant, ContainersAreDeepCopiesAndFreedOnAssignment) {
    Variant original(Nested());
    Variant copy(original);
    copy.GetDictionaryValue(Utf16String("a")).GetDictionaryValue(Utf16String("t")) = 5;
    EXPECT_EQ(original.GetDictionaryValue(Utf16String("a")).GetDictionaryValue(Utf16String("t")).AsString().ToUtf8(),
              "inner text");
    const std::vector<Utf16String> keys = original.GetDictionaryKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].ToUtf8(), "a");

    Variant list(VariantVector{Variant(1), original});
    Variant listCopy;
    listCopy = list;
    list.GetVector().clear();
    EXPECT_EQ(listCopy.GetVectorSize(), 2u);
    EXPECT_EQ(listCopy.GetVectorElement(1).GetDictionaryValue(Utf16String("b")).GetVectorElement(2).AsString().ToUtf8(),
              "x");
    original = 7;  // frees the nested dictionary, vector and texts
    listCopy = true;
    EXPECT_EQ(original.AsInt32(), 7);
}

TEST(Variant, AssigningAValueOrAPartOfItselfKeepsItIntact) {
    Variant dictionary(Nested());
    dictionary = dictionary;
    EXPECT_EQ(dictionary.GetDictionary().size(), 2u);

    Variant vector(VariantVector{Variant(Utf16String("only holder")), Variant(2)});
    const Variant& self = vector;
    vector = self;
    EXPECT_EQ(vector.GetVectorSize(), 2u);
    vector = vector.GetVector();
    EXPECT_EQ(vector.GetVectorSize(), 2u);
    vector = vector.GetVectorElement(0);  // the text's block outlives the freed vector
    EXPECT_EQ(vector.AsString().ToUtf8(), "only holder");

    dictionary = dictionary.GetDictionaryValue(Utf16String("b"));
    EXPECT_EQ(dictionary.GetVectorElement(2).AsString().ToUtf8(), "x");
    dictionary = dictionary.GetVectorElement(1);
    EXPECT_EQ(dictionary.GetDictionaryValue(Utf16String("t")).AsString().ToUtf8(), "inner text");
}

TEST(Variant, ContainerAccessThrowsWithExactMessages) {
    Variant flag(true);
    Variant pair(VariantVector{Variant(1), Variant(2)});
    Variant dictionary(Nested());
    const char* notDictionary = "Variant is not of dictionary type.";
    const char* notVector = "Variant is not of vector type.";
    ExpectThrowWithMessage<std::invalid_argument>([&] { flag.GetDictionary(); }, notDictionary);
    ExpectThrowWithMessage<std::invalid_argument>([&] { pair.GetDictionaryValue(Utf16String("a")); }, notDictionary);
    ExpectThrowWithMessage<std::invalid_argument>([&] { flag.GetDictionaryKeys(); }, notDictionary);
    ExpectThrowWithMessage<std::out_of_range>([&] { dictionary.GetDictionaryValue(Utf16String("c")); },
                                              "invalid map<K, T> key");
    ExpectThrowWithMessage<std::invalid_argument>([&] { dictionary.GetVector(); }, notVector);
    ExpectThrowWithMessage<std::invalid_argument>([&] { std::as_const(flag).GetVectorSize(); }, notVector);
    ExpectThrowWithMessage<std::out_of_range>([&] { pair.GetVectorElement(3); }, "invalid vector<T> subscript");
    ExpectThrowWithMessage<std::out_of_range>([&] { std::as_const(pair).GetVectorElement(-1); },
                                              "invalid vector<T> subscript");
}
