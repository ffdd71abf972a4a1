#pragma once
// The answers to "--help" and "--version" given as the only argument: printed on standard
// output before anything opens a display, so that a host or a packager can ask without X.

#include <optional>

// The exit status when argv asks for the usage or the version (after printing it), nothing
// for every other argument list, which the capture handles as before.
std::optional<int> answerInformationRequest(int argc, char** argv);
