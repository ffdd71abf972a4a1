#pragma once
// The permission probe where the screen cannot be read at all, for a reason known beforehand
// (a way of reading it that was asked for and does not work): the capture says why and ends
// unable to record, without a prompt.

#include "platform/permission_probe.h"

class UnavailableRecording : public PermissionProbe {
public:
    explicit UnavailableRecording(QString why) : m_why(std::move(why)) {}
    bool systemHasRecordingPermission() override { return true; }
    std::vector<WindowDescription> windowDescriptions() override { return {}; }
    QString recordingUnavailable() override { return m_why; }

private:
    QString m_why;
};
