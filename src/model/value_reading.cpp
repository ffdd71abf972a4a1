#include "model/value_reading.h"

#include <cmath>
#include <limits>

namespace {

constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax = std::numeric_limits<int32_t>::max();

bool isCSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r';
}

}  // namespace

int32_t parseLeadingInt(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t magnitude = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        if (magnitude > kMax + 1) magnitude = kMax + 1;  // saturate; the clamp below decides
    }
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
