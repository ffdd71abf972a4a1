#pragma once
// Which input method the widget toolkit talks to, decided before it starts. Qt uses the
// input method's own plugin only when QT_IM_MODULE names it: left unset, Qt takes its compose
// module on X11 (latin only) and, on Wayland, the compositor's text-input protocol, which Qt 6.4
// speaks only in versions sway and GNOME lack. So where the user set nothing, the input method
// that runs is named: fcitx5 first, then ibus. A value the user set, and a plugin this Qt has,
// are kept.

#include <optional>
#include <string>
#include <vector>

struct InputMethodFacts {
    std::optional<std::string> configured;  // QT_IM_MODULE, as set
    std::vector<std::string> plugins;       // the input-context plugin keys this Qt has
    bool fcitxRunning = false;              // fcitx5 owns its name on the session bus
    bool ibusRunning = false;               // ibus's address file names a live daemon
};

// Whether QT_IM_MODULE names a plugin this Qt has: then it stands, and nothing more need be
// known (`fcitxRunning` and `ibusRunning` are not read).
bool userChoiceStands(const InputMethodFacts& facts);

// The value for QT_IM_MODULE; nothing to leave the environment as it is.
std::optional<std::string> chooseInputMethod(const InputMethodFacts& facts);

// The file in which the ibus daemon of this session writes its address, as ibus names it:
// `configHome`/ibus/bus/<machine id>-<host>-<display>, the display being the Wayland socket's
// name as the session set it (`waylandDisplay`), else X11's `display` (":0" is host "unix",
// display "0"). Empty when there is neither.
std::string ibusAddressFile(const std::string& configHome, const std::string& machineId,
                            const std::string& waylandDisplay, const std::string& display);

// The daemon's process id in the contents of an address file; 0 when it names none.
long ibusDaemonPid(const std::string& addressFileContents);
