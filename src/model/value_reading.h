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

// Colours (0x00BBGGRR) are the low 24 bits of the whole value instead of a clamped one, so
// that a host writing a colour as an unsigned 32-bit number (2^31 and above) keeps it. Numbers
// truncate toward zero, strings are read like parseLeadingInt without the clamp, negative values
// count in two's complement (-1 is white), true/false read as 1/0.
std::optional<uint32_t> colourValue(const QJsonValue& value);
std::optional<uint32_t> colourValue(const QJsonObject& object, const QString& key);

// Only JSON strings are texts.
std::optional<QString> textValue(const QJsonValue& value);
std::optional<QString> textValue(const QJsonObject& object, const QString& key);

bool isPresent(const QJsonObject& object, const QString& key);
