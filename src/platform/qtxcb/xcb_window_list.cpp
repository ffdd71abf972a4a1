#include "platform/qtxcb/xcb_window_list.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QWindow>
#include <array>
#include <string>

#include "platform/qt/qt_screens.h"
#include "platform/screen_coordinates.h"

namespace {

// Window managers nest the client below a frame, sometimes below a few more windows.
constexpr int kMaxClientDepth = 3;
constexpr uint32_t kMaxTypes = 16;

constexpr std::array kOrdinaryTypes = {"NORMAL", "DIALOG", "UTILITY"};
constexpr std::array kOtherTypes = {"DESKTOP",      "DOCK",          "TOOLBAR",    "MENU",
                                    "SPLASH",       "DROPDOWN_MENU", "POPUP_MENU", "TOOLTIP",
                                    "NOTIFICATION", "COMBO",         "DND"};

// The ids of this process's Qt windows that exist on the server. winId() would create a
// native window for those that have none, so only windows with a platform window count.
std::unordered_set<xcb_window_t> ownWindowIds() {
    std::unordered_set<xcb_window_t> ids;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return ids;
    for (const QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() != nullptr) ids.insert(static_cast<xcb_window_t>(window->winId()));
    }
    return ids;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom,
                                      xcb_atom_t type, uint32_t length) {
    return xcb_get_property(c, 0, window, atom, type, 0, length);
}

XcbReply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* c,
                                                 xcb_get_property_cookie_t cookie) {
    return xcbReply(c, cookie, xcb_get_property_reply);
}

bool hasWmState(const XcbReply<xcb_get_property_reply_t>& state) {
    return state && state->type != XCB_ATOM_NONE;
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t* c, xcb_query_tree_cookie_t cookie) {
    const auto reply = xcbReply(c, cookie, xcb_query_tree_reply);
    if (!reply) return {};
    const xcb_window_t* first = xcb_query_tree_children(reply.get());
    return {first, first + xcb_query_tree_children_length(reply.get())};
}

}  // namespace

// A viewable root child and what is known of the client inside it.
struct XcbWindowList::Candidate {
    xcb_window_t frame = 0;
    Rect bounds;
    xcb_window_t client = 0;          // 0 while no window with WM_STATE has been found
    std::vector<xcb_window_t> level;  // the frame's descendants at the depth being searched
    bool skipped = false;
};

XcbWindowList::XcbWindowList(std::shared_ptr<XcbConnection> connection)
    : m_connection(std::move(connection)) {}

void XcbWindowList::internAtoms() {
    xcb_connection_t* c = m_connection->get();
    auto intern = [c](const std::string& name) {
        return xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str());
    };
    auto reply = [c](xcb_intern_atom_cookie_t cookie) {
        const auto r = xcbReply(c, cookie, xcb_intern_atom_reply);
        return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    const auto wmState = intern("WM_STATE");
    const auto windowType = intern("_NET_WM_WINDOW_TYPE");
    const auto pid = intern("_NET_WM_PID");
    std::vector<xcb_intern_atom_cookie_t> ordinary, other;
    for (const char* t : kOrdinaryTypes)
        ordinary.push_back(intern(std::string("_NET_WM_WINDOW_TYPE_") + t));
    for (const char* t : kOtherTypes)
        other.push_back(intern(std::string("_NET_WM_WINDOW_TYPE_") + t));
    m_atoms.wmState = reply(wmState);
    m_atoms.windowType = reply(windowType);
    m_atoms.pid = reply(pid);
    for (auto cookie : ordinary) m_atoms.ordinaryTypes.insert(reply(cookie));
    for (auto cookie : other) m_atoms.otherTypes.insert(reply(cookie));
    m_atomsInterned = true;
}

// The first type the window lists that we know decides; unknown ones (vendor extensions) are
// passed over, and a window without a known type is an ordinary one.
bool XcbWindowList::skippedType(const xcb_get_property_reply_t* types) const {
    if (types == nullptr || types->type != XCB_ATOM_ATOM || types->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t*>(types)));
    const int count = xcb_get_property_value_length(types) / 4;
    for (int i = 0; i < count; ++i) {
        if (m_atoms.ordinaryTypes.contains(atoms[i])) return false;
        if (m_atoms.otherTypes.contains(atoms[i])) return true;
    }
    return false;
}

std::vector<Rect> XcbWindowList::onScreenWindows() {
    std::vector<Rect> windows = onScreenWindowsInRootPixels();
    const std::vector<DesktopScreen> desktop = desktopScreens();
    for (Rect& w : windows) w = displayRectFromRoot(w, desktop);
    return windows;
}

bool XcbWindowList::ownClient(xcb_window_t window, const xcb_get_property_reply_t* pid,
                              const std::unordered_set<xcb_window_t>& ownIds) const {
    if (ownIds.contains(window)) return true;
    return pid != nullptr && pid->type == XCB_ATOM_CARDINAL && pid->format == 32 &&
           xcb_get_property_value_length(pid) == 4 &&
           *static_cast<const uint32_t*>(xcb_get_property_value(
               const_cast<xcb_get_property_reply_t*>(pid))) == static_cast<uint32_t>(getpid());
}

// Every request of a round goes out before the first reply is read: a listing costs a few
// round trips, not a few per window.
std::vector<Rect> XcbWindowList::onScreenWindowsInRootPixels() {
    if (!m_connection) return {};
    if (!m_atomsInterned) internAtoms();
    const std::unordered_set<xcb_window_t> own = ownWindowIds();
    std::vector<Candidate> candidates = viewableRootChildren(own);
    readFrames(candidates, own);
    readClients(candidates, findClientsBelowFrames(candidates), own);
    std::vector<Rect> windows;
    for (const Candidate& candidate : candidates) {
        if (!candidate.skipped) windows.push_back(candidate.bounds);
    }
    return windows;
}

std::vector<XcbWindowList::Candidate> XcbWindowList::viewableRootChildren(
    const std::unordered_set<xcb_window_t>& own) {
    xcb_connection_t* c = m_connection->get();
    const auto tree = xcbReply(c, xcb_query_tree(c, m_connection->root()), xcb_query_tree_reply);
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int childCount = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes(childCount);
    std::vector<xcb_get_geometry_cookie_t> geometries(childCount);
    for (int i = 0; i < childCount; ++i) {
        attributes[i] = xcb_get_window_attributes(c, children[i]);
        geometries[i] = xcb_get_geometry(c, children[i]);
    }
    std::vector<Candidate> candidates;
    for (int i = childCount - 1; i >= 0; --i) {  // stacking order is bottom to top
        const auto a = xcbReply(c, attributes[i], xcb_get_window_attributes_reply);
        const auto g = xcbReply(c, geometries[i], xcb_get_geometry_reply);
        if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE ||
            a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || a->override_redirect ||
            own.contains(children[i])) {
            continue;
        }
        const double border = 2.0 * g->border_width;
        Candidate candidate;
        candidate.frame = children[i];
        candidate.bounds = {static_cast<double>(g->x), static_cast<double>(g->y), g->width + border,
                            g->height + border};
        candidates.push_back(std::move(candidate));
    }
    return candidates;
}

// The frame itself: the client when it has WM_STATE, and without a window manager, where
// nothing has WM_STATE, it stands for the client anyway.
void XcbWindowList::readFrames(std::vector<Candidate>& candidates,
                               const std::unordered_set<xcb_window_t>& own) {
    xcb_connection_t* c = m_connection->get();
    struct FrameCookies {
        xcb_get_property_cookie_t state, type, pid;
        xcb_query_tree_cookie_t tree;
    };
    std::vector<FrameCookies> cookies;
    for (const Candidate& candidate : candidates) {
        const xcb_window_t w = candidate.frame;
        cookies.push_back({askProperty(c, w, m_atoms.wmState, XCB_ATOM_ANY, 0),
                           askProperty(c, w, m_atoms.windowType, XCB_ATOM_ATOM, kMaxTypes),
                           askProperty(c, w, m_atoms.pid, XCB_ATOM_CARDINAL, 1),
                           xcb_query_tree(c, w)});
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Candidate& candidate = candidates[i];
        const auto state = propertyReply(c, cookies[i].state);
        const auto type = propertyReply(c, cookies[i].type);
        const auto pid = propertyReply(c, cookies[i].pid);
        candidate.skipped = skippedType(type.get()) || ownClient(candidate.frame, pid.get(), own);
        std::vector<xcb_window_t> below = childrenOf(c, cookies[i].tree);
        if (hasWmState(state)) {
            candidate.client = candidate.frame;
        } else {
            candidate.level = std::move(below);
        }
    }
}

// Below a frame, one level per round: only WM_STATE is asked of every window, and the next
// level's children only of the frames whose client is still missing. Window managers put the
// client one or two levels down, among many decoration windows.
std::vector<std::size_t> XcbWindowList::findClientsBelowFrames(std::vector<Candidate>& candidates) {
    xcb_connection_t* c = m_connection->get();
    std::vector<std::size_t> found;
    for (int depth = 1; depth <= kMaxClientDepth; ++depth) {
        std::vector<std::vector<xcb_get_property_cookie_t>> states(candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            for (xcb_window_t w : candidates[i].level) {
                states[i].push_back(askProperty(c, w, m_atoms.wmState, XCB_ATOM_ANY, 0));
            }
        }
        bool searching = false;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            Candidate& candidate = candidates[i];
            for (std::size_t k = 0; k < states[i].size(); ++k) {
                const auto state = propertyReply(c, states[i][k]);
                if (candidate.client == 0 && hasWmState(state)) {
                    candidate.client = candidate.level[k];
                    found.push_back(i);
                }
            }
            if (candidate.client != 0) candidate.level.clear();
            searching |= !candidate.level.empty();
        }
        if (!searching || depth == kMaxClientDepth) break;
        std::vector<std::vector<xcb_query_tree_cookie_t>> trees(candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            for (xcb_window_t w : candidates[i].level) trees[i].push_back(xcb_query_tree(c, w));
        }
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            std::vector<xcb_window_t> next;
            for (const auto cookie : trees[i]) {
                const std::vector<xcb_window_t> below = childrenOf(c, cookie);
                next.insert(next.end(), below.begin(), below.end());
            }
            candidates[i].level = std::move(next);
        }
    }
    return found;
}

// A client found below its frame decides in the frame's place.
void XcbWindowList::readClients(std::vector<Candidate>& candidates,
                                const std::vector<std::size_t>& found,
                                const std::unordered_set<xcb_window_t>& own) {
    xcb_connection_t* c = m_connection->get();
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
    for (const std::size_t i : found) {
        const xcb_window_t w = candidates[i].client;
        cookies.emplace_back(askProperty(c, w, m_atoms.windowType, XCB_ATOM_ATOM, kMaxTypes),
                             askProperty(c, w, m_atoms.pid, XCB_ATOM_CARDINAL, 1));
    }
    for (std::size_t k = 0; k < found.size(); ++k) {
        Candidate& candidate = candidates[found[k]];
        const auto type = propertyReply(c, cookies[k].first);
        const auto pid = propertyReply(c, cookies[k].second);
        candidate.skipped = skippedType(type.get()) || ownClient(candidate.client, pid.get(), own);
    }
}
