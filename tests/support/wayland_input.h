#pragma once
// Pointer and keys for a test's headless compositor, which has neither: a virtual pointer
// (quillet_wl_pointer) moved and pressed command by command, each handled by the compositor
// before the call returns, and keys typed with wtype. Made before the clients it drives start
// (see the constructor). Stopped by the destructor.

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class WaylandSession;

class WaylandInput {
public:
    // `layoutWidth` x `layoutHeight`: the outputs' bounding box in logical points.
    WaylandInput(const WaylandSession& session, int layoutWidth, int layoutHeight);
    // Pointer and keys both through `program` (quillet_kwin_input: KWin's fake input takes
    // "key CODE" lines too), a client of the compositor that `environment` names.
    WaylandInput(std::vector<std::string> environment, const std::string& program);
    ~WaylandInput();
    WaylandInput(const WaylandInput&) = delete;
    WaylandInput& operator=(const WaylandInput&) = delete;

    bool ok() const { return m_pointer > 0; }
    bool move(int x, int y);
    bool press();
    bool release();
    bool click(int x, int y) { return move(x, y) && press() && release(); }
    bool drag(std::pair<int, int> from, std::pair<int, int> to,
              const std::vector<std::pair<int, int>>& via = {});
    // A key by its xkb name ("Return", "Escape", "z"), with modifiers ("ctrl").
    bool key(const std::string& name, const std::vector<std::string>& modifiers = {});
    // Types `text` (any characters: wtype maps them to keys of its own).
    bool type(const std::string& text);

private:
    void startPointer(std::vector<std::string> arguments);
    bool command(const std::string& line);

    std::vector<std::string> m_environment;
    pid_t m_pointer = -1;
    int m_toPointer = -1;
    int m_fromPointer = -1;
    pid_t m_keyboard = -1;
    bool m_keysThroughPointer = false;
};
