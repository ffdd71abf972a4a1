#pragma once
// Qt wants a private runtime directory (XDG_RUNTIME_DIR: a directory of ours, mode 0700) and
// warns on standard error when it has none, which is the rule for root shells, services and
// CI. Before Qt starts, the tool keeps a usable one or points the variable at one of its own.

// Leaves a usable XDG_RUNTIME_DIR as it is; otherwise creates (or reuses) the directory
// /tmp/quillet-runtime-<uid>, refusing one that is a symbolic link or another user's, and sets
// XDG_RUNTIME_DIR to it. Returns false when neither worked (Qt then warns as before).
bool ensureRuntimeDirectory();
