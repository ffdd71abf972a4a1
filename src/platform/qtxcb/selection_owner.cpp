#include "platform/qtxcb/selection_owner.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "platform/qtxcb/xcb_connection.h"

namespace {

// What one request may carry comfortably; bigger data goes in pieces (INCR).
constexpr qsizetype kWholeLimit = 8 * 1024 * 1024;

}  // namespace

SelectionOwner::SelectionOwner(xcb_connection_t* connection, const char* selection,
                               const char* dataTarget)
    : m_c(connection) {
    // All requests first, then the replies: one round trip for all the names.
    const char* names[] = {selection, dataTarget, "TARGETS",  "TIMESTAMP",
                           "INCR",    "MULTIPLE", "ATOM_PAIR"};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(m_c, 0, uint16_t(std::strlen(names[i])), names[i]);
    xcb_atom_t* atoms[] = {&m_selection, &m_dataTarget, &m_targets, &m_timestamp,
                           &m_incr,      &m_multiple,   &m_atomPair};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const auto reply = xcbReply(m_c, cookies[i], xcb_intern_atom_reply);
        *atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    const qsizetype maxRequest = qsizetype(xcb_get_maximum_request_length(m_c)) * 4 - 1024;
    m_wholeLimit = std::max<qsizetype>(4096, std::min(kWholeLimit, maxRequest));

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    m_window = xcb_generate_id(m_c);
    const uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screen->root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
}

SelectionOwner::~SelectionOwner() {
    xcb_destroy_window(m_c, m_window);
    xcb_flush(m_c);
}

bool SelectionOwner::acquire() {
    // A selection is taken at a real server time, which a property change on our own window
    // tells: the time of its PropertyNotify.
    xcb_change_property(m_c, XCB_PROP_MODE_APPEND, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    xcb_flush(m_c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(m_c)) {
        const bool stamp =
            (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<xcb_property_notify_event_t*>(event)->window == m_window;
        if (stamp) m_acquired = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
        std::free(event);
        if (stamp) break;
    }
    if (m_acquired == XCB_CURRENT_TIME || m_selection == XCB_ATOM_NONE) return false;
    xcb_set_selection_owner(m_c, m_window, m_selection, m_acquired);
    return ownsOnServer();
}

bool SelectionOwner::ownsOnServer() {
    const auto reply =
        xcbReply(m_c, xcb_get_selection_owner(m_c, m_selection), xcb_get_selection_owner_reply);
    return reply && reply->owner == m_window;
}

void SelectionOwner::releaseIfOwned() {
    xcb_grab_server(m_c);
    if (ownsOnServer()) xcb_set_selection_owner(m_c, XCB_NONE, m_selection, m_acquired);
    xcb_ungrab_server(m_c);
    xcb_flush(m_c);
}

void SelectionOwner::setData(QByteArray data) {
    m_data = std::move(data);
    m_dataKnown = true;
    for (const auto& request : std::exchange(m_waiting, {})) answer(request);
    xcb_flush(m_c);
}

bool SelectionOwner::handle(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
        case XCB_SELECTION_CLEAR: {
            const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
            return clear->selection != m_selection;
        }
        case XCB_SELECTION_REQUEST: {
            const auto& request = *reinterpret_cast<const xcb_selection_request_event_t*>(event);
            const bool needsData = request.target == m_dataTarget || request.target == m_multiple;
            if (needsData && !m_dataKnown) {
                m_waiting.push_back(request);
            } else {
                answer(request);
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (change->state == XCB_PROPERTY_DELETE)
                continueTransfer(change->window, change->atom);
            break;
        }
        case 0: {  // an error: a requestor window that went away ends its transfer
            const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event);
            if (error->error_code == XCB_WINDOW) {
                std::erase_if(m_transfers, [error](const auto& entry) {
                    return entry.first.first == error->resource_id;
                });
            }
            break;
        }
        default:
            break;
    }
    xcb_flush(m_c);
    return true;
}

void SelectionOwner::answer(const xcb_selection_request_event_t& request) {
    // Clients before ICCCM 2 name no property: the target's name stands for it.
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    const bool early =
        request.time != XCB_CURRENT_TIME && serverTimeBefore(request.time, m_acquired);
    const bool refused =
        request.selection != m_selection || early || (m_dataKnown && m_data.isEmpty());
    if (refused) {
        notify(request, XCB_NONE);
    } else if (request.target == m_multiple) {
        // Only with a property naming the pairs; an old client's request cannot be one.
        const bool done = request.property != XCB_NONE && convertMultiple(request);
        notify(request, done ? request.property : xcb_atom_t(XCB_NONE));
    } else {
        notify(request,
               convert(request, request.target, property) ? property : xcb_atom_t(XCB_NONE));
    }
}

bool SelectionOwner::convert(const xcb_selection_request_event_t& request, xcb_atom_t target,
                             xcb_atom_t property) {
    if (property == XCB_NONE) return false;
    if (target == m_targets) {
        const xcb_atom_t targets[] = {m_targets, m_timestamp, m_multiple, m_dataTarget};
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, uint32_t(std::size(targets)), targets);
        return true;
    }
    if (target == m_timestamp) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &m_acquired);
        return true;
    }
    if (target == m_dataTarget) return sendData(request, property);
    return false;
}

bool SelectionOwner::convertMultiple(const xcb_selection_request_event_t& request) {
    // A pair list of any reasonable length: 4096 pairs is far more than any client asks.
    const auto reply = xcbReply(m_c,
                                xcb_get_property(m_c, 0, request.requestor, request.property,
                                                 XCB_GET_PROPERTY_TYPE_ANY, 0, 8192),
                                xcb_get_property_reply);
    if (!reply || reply->format != 32) return false;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    std::vector<xcb_atom_t> pairs(values, values + (count - count % 2));
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        // MULTIPLE within MULTIPLE is not a conversion ICCCM defines.
        const bool done = pairs[i] != m_multiple && convert(request, pairs[i], pairs[i + 1]);
        if (!done) pairs[i + 1] = XCB_NONE;
    }
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, request.property, m_atomPair,
                        32, uint32_t(pairs.size()), pairs.data());
    return true;
}

bool SelectionOwner::sendData(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    if (m_data.size() <= m_wholeLimit) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, m_dataTarget,
                            8, uint32_t(m_data.size()), m_data.constData());
        return true;
    }
    // INCR: announce the size, then one piece each time the requestor has read the last one.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_c, request.requestor, XCB_CW_EVENT_MASK, &mask);
    const auto size = uint32_t(std::min<qsizetype>(m_data.size(), UINT32_MAX));
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, m_incr, 32, 1,
                        &size);
    m_transfers[{request.requestor, property}] = Transfer{m_data, 0};
    return true;
}

void SelectionOwner::continueTransfer(xcb_window_t window, xcb_atom_t property) {
    const auto it = m_transfers.find({window, property});
    if (it == m_transfers.end()) return;
    Transfer& transfer = it->second;
    const qsizetype piece = std::min(m_wholeLimit, transfer.data.size() - transfer.sent);
    // The last piece is empty: it tells the requestor that the data is complete.
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, window, property, m_dataTarget, 8,
                        uint32_t(piece), transfer.data.constData() + transfer.sent);
    transfer.sent += piece;
    if (piece == 0) {
        m_transfers.erase(it);
        const bool stillReading =
            std::any_of(m_transfers.begin(), m_transfers.end(),
                        [window](const auto& entry) { return entry.first.first == window; });
        if (!stillReading) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(m_c, window, XCB_CW_EVENT_MASK, &none);
        }
    }
}

void SelectionOwner::notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    xcb_selection_notify_event_t notice{};
    notice.response_type = XCB_SELECTION_NOTIFY;
    notice.time = request.time;
    notice.requestor = request.requestor;
    notice.selection = request.selection;
    notice.target = request.target;
    notice.property = property;
    std::array<char, 32> wire{};  // events travel as 32 bytes, longer than the struct
    std::memcpy(wire.data(), &notice, sizeof notice);
    xcb_send_event(m_c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire.data());
}
