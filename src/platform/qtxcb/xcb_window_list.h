#pragma once
// The on-screen window list read from the X server: the root window's mapped InputOutput
// children, front-most first, with their frame geometry (decorations included), less
// override-redirect windows, windows whose type is not an ordinary application window, and
// this process's own windows. Works with or without a window manager.

#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/qtxcb/xcb_connection.h"
#include "platform/window_list.h"

class XcbWindowList : public WindowList {
public:
    explicit XcbWindowList(std::shared_ptr<XcbConnection> connection);
    std::vector<Rect> onScreenWindows() override;

    // The same list in root-window pixels, before conversion to display coordinates.
    std::vector<Rect> onScreenWindowsInRootPixels();

private:
    struct Atoms {
        xcb_atom_t wmState = XCB_ATOM_NONE;
        xcb_atom_t windowType = XCB_ATOM_NONE;
        xcb_atom_t pid = XCB_ATOM_NONE;
        std::unordered_set<xcb_atom_t> ordinaryTypes;  // normal, dialog, utility
        std::unordered_set<xcb_atom_t> otherTypes;     // desktop, dock, menu, tooltip, ...
    };
    struct Candidate;
    void internAtoms();
    std::vector<Candidate> viewableRootChildren(const std::unordered_set<xcb_window_t>& own);
    void readFrames(std::vector<Candidate>& candidates,
                    const std::unordered_set<xcb_window_t>& own);
    // The candidates whose client was found below the frame.
    std::vector<std::size_t> findClientsBelowFrames(std::vector<Candidate>& candidates);
    void readClients(std::vector<Candidate>& candidates, const std::vector<std::size_t>& found,
                     const std::unordered_set<xcb_window_t>& own);
    bool skippedType(const xcb_get_property_reply_t* types) const;
    bool ownClient(xcb_window_t window, const xcb_get_property_reply_t* pid,
                   const std::unordered_set<xcb_window_t>& ownIds) const;

    std::shared_ptr<XcbConnection> m_connection;
    Atoms m_atoms;
    bool m_atomsInterned = false;
};
