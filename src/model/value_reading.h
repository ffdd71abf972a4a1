#pragma once
// How command values are read. A key is present when it holds a non-null value;
// a value of a kind the rule cannot read counts as absent.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cstdint>
#include <optional>

// Reads a decimal integer the way C's strtol does (leading white space, optional sign,
// digits up to the first other character; no digits gives 0), clamped to 32 bits.
int32_t parseLeadingInt(const QString& text);

// Numbers truncate toward zero and clamp to 32 bits, strings by parseLeadingInt,
// true/false read as 1/0; null, objects and arrays are absent.
std::optional<int32_t> integerValue(const QJsonValue& value);
std::optional<int32_t> integerValue(const QJsonObject& object, const QString& key);

// Only JSON strings are texts.
std::optional<QString> textValue(const QJsonValue& value);
std::optional<QString> textValue(const QJsonObject& object, const QString& key);

bool isPresent(const QJsonObject& object, const QString& key);
