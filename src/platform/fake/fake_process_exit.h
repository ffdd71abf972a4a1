#pragma once

#include <optional>

#include "platform/process_exit.h"

// Records the status instead of ending the test process.
class FakeProcessExit : public ProcessExit {
public:
    void exit(int s) override { status = s; }
    std::optional<int> status;
};
