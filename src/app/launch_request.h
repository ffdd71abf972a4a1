#pragma once
// Turns the process arguments and the parameter file they name into the command object.
//
// The launch argument is "startfromlocal,<parameter file>,<result file>,<unused>,
// <HideCurrentWindow>,<AutoCaptureFlag>,<x>,<y>,<Width>,<Height>" (fields after the tenth are
// ignored). When several arguments qualify, the last one wins; launch fields override the
// same keys of the parameter file.

#include <QJsonObject>
#include <QStringList>
#include <optional>

#include "model/launch_request.h"

class Log;

// The fields of the last qualifying argument, logging "PARAMS:" and "splitArray.count:" lines
// when given a log.
std::optional<QStringList> findLaunchFields(const QStringList& arguments, Log* log);

// Whether the launch argument asks for an automatic capture (before the parameter file is
// read, which may still make it an ignored command): for work worth starting at once.
bool launchAsksForAutomaticCapture(const QStringList& arguments);

// Reads the parameter file as UTF-8 JSON: unreadable reads as "{}", and anything but an
// object gives an empty object. Anything but a regular file (a device, a FIFO, a folder) and a
// file over 16 MiB count as unreadable.
QJsonObject readParameterFile(const QString& path);

// Every launch step up to the command object, with the log lines in their order.
QJsonObject buildCommandObject(const QStringList& arguments, Log& log);

// The launch read once: the command object as a typed request.
LaunchRequest readLaunchRequest(const QStringList& arguments, Log& log, uint64_t launchTimeMs);
