#pragma once
// What the screen-recording permission test asks of the system: whether it has such a
// permission at all, and the descriptions of the on-screen windows it can read.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct WindowDescription {
    std::optional<QString> name;          // absent when the window's name cannot be read
    std::optional<int64_t> sharingState;  // absent when not reported
    uint64_t ownerPid = 0;
    QString ownerName;
};

class PermissionProbe {
public:
    virtual ~PermissionProbe() = default;
    virtual bool systemHasRecordingPermission() = 0;
    virtual std::vector<WindowDescription> windowDescriptions() = 0;
    // Why the screen cannot be recorded whatever the user allows (no way to take it at all);
    // empty when it can be.
    virtual QString recordingUnavailable() { return {}; }
    // After a refusal: how the user allows recording on this desktop, for the prompt where the
    // host gave no text of its own; and what the prompt's confirm button does about it.
    virtual QString howToAllow() { return {}; }
    virtual void allowToBeAskedAgain() {}
};
