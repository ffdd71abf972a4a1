// Which input method the toolkit is told to use, from what runs and what Qt has; and where
// ibus's address file is, as ibus names it.
#include "app/input_method_choice.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kAllPlugins = {"compose", "xim", "fcitx", "fcitx5", "ibus"};

TEST(InputMethodChoice, TheRunningInputMethodWhereTheUserSetNone) {
    struct Row {
        const char* name;
        InputMethodFacts facts;
        std::optional<std::string> chosen;
    };
    const Row rows[] = {
        {"nothing runs", {std::nullopt, kAllPlugins, false, false}, std::nullopt},
        {"fcitx5 runs", {std::nullopt, kAllPlugins, true, false}, "fcitx"},
        {"ibus runs", {std::nullopt, kAllPlugins, false, true}, "ibus"},
        {"both run: fcitx5 first", {std::nullopt, kAllPlugins, true, true}, "fcitx"},
        {"set empty counts as unset", {"", kAllPlugins, false, true}, "ibus"},
        {"the user's choice is kept", {"ibus", kAllPlugins, true, false}, std::nullopt},
        {"xim (Qt's compose) is kept", {"xim", kAllPlugins, true, false}, std::nullopt},
        {"a plugin Qt lacks is replaced", {"uim", kAllPlugins, true, false}, "fcitx"},
        {"fcitx5 runs without Qt's plugin for it",
         {std::nullopt, {"compose", "ibus"}, true, true},
         "ibus"},
        {"nothing Qt can talk to", {std::nullopt, {"compose"}, true, true}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(chooseInputMethod(row.facts), row.chosen);
    }
}

TEST(InputMethodChoice, IbusAddressFileAndDaemon) {
    const struct {
        const char* wayland;
        const char* display;
        const char* file;
    } files[] = {
        {"wayland-1", ":0", "/c/ibus/bus/m-unix-wayland-1"},  // Wayland's socket first
        {"", ":5.0", "/c/ibus/bus/m-unix-5"},
        {"", "host:7", "/c/ibus/bus/m-host-7"},
        {"", "", ""},
        {"", "nonsense", ""},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(std::string(f.wayland) + " " + f.display);
        EXPECT_EQ(ibusAddressFile("/c", "m", f.wayland, f.display), f.file);
    }
    EXPECT_EQ(ibusDaemonPid("IBUS_ADDRESS=unix:abstract=/tmp/x\nIBUS_DAEMON_PID=4242\n"), 4242);
    EXPECT_EQ(ibusDaemonPid("# comment\nIBUS_DAEMON_PID=42x\n"), 0);
    EXPECT_EQ(ibusDaemonPid("IBUS_ADDRESS=unix:abstract=/tmp/x\n"), 0);
}

}  // namespace
