#pragma once
// The windows of a sway session, asked of sway itself over its IPC socket ($SWAYSOCK): a
// Wayland client cannot see other windows, but sway tells every visible window with its
// rectangle, to which its title bar is added: the frame, as on X11. Floating windows come first, as
// they lie above the tiled ones. Empty where sway is not the compositor or does not answer.

#include <QByteArray>
#include <QJsonObject>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/wayland_display.h"
#include "platform/window_list.h"

class SwayWindowList : public WindowList {
public:
    // `socket`: sway's IPC socket; empty for none.
    SwayWindowList(std::shared_ptr<WaylandDisplay> display, std::string socket);
    std::vector<Rect> onScreenWindows() override;

    // The visible windows of a sway tree (the answer to GET_TREE), front-most first, in the
    // layout's logical coordinates, less those of process `ownPid`.
    static std::vector<Rect> windowsOfTree(const QJsonObject& tree, qint64 ownPid);

private:
    // One request and its answer; empty when sway cannot be asked.
    QByteArray ask(uint32_t type, const QByteArray& payload = {});

    std::shared_ptr<WaylandDisplay> m_display;
    std::string m_socket;
};
