#include "model/value_reading.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <limits>

namespace {

QJsonValue json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ValueReading, IntegerRule) {
    struct Row {
        const char* json;
        std::optional<int32_t> expected;
    };
    const Row rows[] = {
        {"7", 7},
        {"1.9", 1},      // numbers truncate toward zero
        {"-1.9", -1},    // ... on both sides
        {"1e12", kMax},  // out of range clamps
        {"-1e12", kMin},
        {"\"42\"", 42},            // decimal strings
        {"\"  \\t-17xyz\"", -17},  // leading white space, sign, stops at the first other character
        {"\"+5\"", 5},
        {"\"abc\"", 0},  // no digits reads as 0
        {"\"\"", 0},
        {"\"0xFF00\"", 0},  // hexadecimal stops at the x
        {"\"99999999999999999999\"", kMax},
        {"\"-2147483649\"", kMin},
        {"\"2147483647\"", kMax},
        {"\"- 5\"", 0},  // white space after the sign ends the number
        {"true", 1},
        {"false", 0},
        {"null", std::nullopt},  // null counts as absent
        {"{}", std::nullopt},
        {"[1]", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(integerValue(json(row.json)), row.expected) << row.json;
    }
}

TEST(ValueReading, ColourRule) {
    struct Row {
        const char* json;
        std::optional<uint32_t> expected;
    };
    const Row rows[] = {
        {"255", 0x0000FF},
        {"2147483903", 0x0000FF},  // 2^31 + 0xFF: unsigned colours keep their low bits, no clamp
        {"4278190335", 0x0000FF},  // 0xFF0000FF: the top byte is ignored
        {"4294967295", 0xFFFFFF},
        {"4294967296", 0x000000},      // 2^32
        {"1e20", 0x100000},            // any size: 10^20 = 2^20 * 5^20
        {"255.9", 0x0000FF},           // numbers truncate toward zero
        {"-1", 0xFFFFFF},              // negatives in two's complement
        {"-16777217", 0xFFFFFF},       // -(2^24 + 1)
        {"\"4278190335\"", 0x0000FF},  // strings read alike, sign and all
        {"\" -1x\"", 0xFFFFFF},
        {"\"100000000000000000000\"", 0x100000},
        {"\"0xFF\"", 0x000000},  // hexadecimal stops at the x, as for integers
        {"true", 0x000001},
        {"null", std::nullopt},
        {"[255]", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(colourValue(json(row.json)), row.expected) << row.json;
    }
}

TEST(ValueReading, TextRuleAndPresence) {
    EXPECT_EQ(textValue(json("\"a|b\"")), QStringLiteral("a|b"));
    EXPECT_EQ(textValue(json("\"\"")), QString());
    EXPECT_FALSE(textValue(json("12")));
    EXPECT_FALSE(textValue(json("null")));

    const QJsonObject o = QJsonDocument::fromJson(R"({"a": null, "b": 0})").object();
    EXPECT_FALSE(isPresent(o, "a"));
    EXPECT_TRUE(isPresent(o, "b"));
    EXPECT_FALSE(isPresent(o, "c"));
    EXPECT_FALSE(integerValue(o, "a"));
}

}  // namespace
