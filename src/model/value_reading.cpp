#include "model/value_reading.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
constexpr uint32_t kColourBits = 0xFFFFFF;

bool isCSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r';
}

// The strtol form: white space, an optional sign, then digits up to the first other character.
// Hands each digit to `addDigit` and returns whether the sign was a minus.
template <typename AddDigit>
bool scanLeadingDecimal(const QString& text, AddDigit addDigit) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) addDigit(text[i].unicode() - u'0');
    return negative;
}

// Colour strings: the number modulo 2^32 (unsigned arithmetic wraps), negated in two's
// complement, of which the low 24 bits are the colour.
uint32_t parseLeadingColour(const QString& text) {
    uint32_t low = 0;
    const bool negative = scanLeadingDecimal(
        text, [&low](int digit) { low = low * 10u + static_cast<uint32_t>(digit); });
    return (negative ? 0u - low : low) & kColourBits;
}

}  // namespace

int32_t parseLeadingInt(const QString& text) {
    int64_t magnitude = 0;
    const bool negative = scanLeadingDecimal(text, [&magnitude](int digit) {
        magnitude = std::min(magnitude * 10 + digit, kMax + 1);  // saturate; the clamp decides
    });
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp(value, kMin, kMax));
}

std::optional<int32_t> integerValue(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Double: {
            const double d = std::trunc(value.toDouble());
            if (d <= static_cast<double>(kMin)) return static_cast<int32_t>(kMin);
            if (d >= static_cast<double>(kMax)) return static_cast<int32_t>(kMax);
            return static_cast<int32_t>(d);
        }
        case QJsonValue::String:
            return parseLeadingInt(value.toString());
        case QJsonValue::Bool:
            return value.toBool() ? 1 : 0;
        default:
            return std::nullopt;
    }
}

std::optional<int32_t> integerValue(const QJsonObject& object, const QString& key) {
    return integerValue(object.value(key));
}

std::optional<uint32_t> colourValue(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Double: {
            const double whole = std::trunc(value.toDouble());
            if (!std::isfinite(whole)) return std::nullopt;
            // Exact for any double: the remainder modulo 2^24, carrying the number's sign.
            const double low = std::fmod(whole, 16777216.0);
            return static_cast<uint32_t>(static_cast<int32_t>(low)) & kColourBits;
        }
        case QJsonValue::String:
            return parseLeadingColour(value.toString());
        case QJsonValue::Bool:
            return value.toBool() ? 1 : 0;
        default:
            return std::nullopt;
    }
}

std::optional<uint32_t> colourValue(const QJsonObject& object, const QString& key) {
    return colourValue(object.value(key));
}

std::optional<QString> textValue(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

std::optional<QString> textValue(const QJsonObject& object, const QString& key) {
    return textValue(object.value(key));
}

bool isPresent(const QJsonObject& object, const QString& key) {
    const QJsonValue v = object.value(key);
    return !v.isUndefined() && !v.isNull();
}
