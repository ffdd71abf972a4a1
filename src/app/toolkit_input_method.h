#pragma once
// Names the running input method for the widget toolkit (see chooseInputMethod), from what
// this machine shows: the input-context plugins Qt has, fcitx5 on the session bus, ibus's
// address file. Runs before the toolkit's application object exists, which reads
// QT_IM_MODULE when it starts.

#include <optional>
#include <string>

// The module named, when one was.
std::optional<std::string> nameRunningInputMethod();
