#include "app/input_method_choice.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

bool has(const std::vector<std::string>& plugins, const std::string& key) {
    return std::find(plugins.begin(), plugins.end(), key) != plugins.end();
}

}  // namespace

bool userChoiceStands(const InputMethodFacts& facts) {
    return facts.configured && !facts.configured->empty() && has(facts.plugins, *facts.configured);
}

std::optional<std::string> chooseInputMethod(const InputMethodFacts& facts) {
    if (userChoiceStands(facts)) return std::nullopt;
    if (facts.fcitxRunning && has(facts.plugins, "fcitx")) return "fcitx";
    if (facts.ibusRunning && has(facts.plugins, "ibus")) return "ibus";
    return std::nullopt;
}

std::string ibusAddressFile(const std::string& configHome, const std::string& machineId,
                            const std::string& waylandDisplay, const std::string& display) {
    std::string host = "unix";
    std::string number;
    if (!waylandDisplay.empty()) {
        number = waylandDisplay;
    } else if (!display.empty()) {
        // [host]:number[.screen]
        const std::size_t colon = display.rfind(':');
        if (colon == std::string::npos) return {};
        if (colon > 0) host = display.substr(0, colon);
        number = display.substr(colon + 1);
        number = number.substr(0, number.find('.'));
    } else {
        return {};
    }
    if (number.empty() || machineId.empty()) return {};
    return configHome + "/ibus/bus/" + machineId + "-" + host + "-" + number;
}

long ibusDaemonPid(const std::string& addressFileContents) {
    std::istringstream lines(addressFileContents);
    std::string line;
    const std::string key = "IBUS_DAEMON_PID=";
    while (std::getline(lines, line)) {
        if (line.rfind(key, 0) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(line.c_str() + key.size(), &end, 10);
        return end != line.c_str() + key.size() && *end == '\0' && pid > 0 ? pid : 0;
    }
    return 0;
}
