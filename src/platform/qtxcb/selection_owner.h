#pragma once
// Owns an X selection on a connection of its own and answers the requests for it: the list of
// targets, the time it was taken, and one data target, sent whole or, when large, in INCR
// pieces; MULTIPLE asks for several of them at once (ICCCM 2.6.2). Requests for the data that
// come before the data is known wait for it.

#include <xcb/xcb.h>

#include <QByteArray>
#include <map>
#include <utility>
#include <vector>

// Whether server time `a` comes before `b`. The server's clock is 32 bits of milliseconds and
// wraps every 49.7 days: times are compared as the protocol says, within half the range.
constexpr bool serverTimeBefore(xcb_timestamp_t a, xcb_timestamp_t b) {
    return int32_t(a - b) < 0;
}

class SelectionOwner {
public:
    SelectionOwner(xcb_connection_t* connection, const char* selection, const char* dataTarget);
    ~SelectionOwner();
    SelectionOwner(const SelectionOwner&) = delete;
    SelectionOwner& operator=(const SelectionOwner&) = delete;

    // Takes the selection; true when the server confirms that it is ours.
    bool acquire();
    // Whether the server still names our window as the owner.
    bool ownsOnServer();
    // Gives the selection up unless another client has taken it meanwhile (checked under a
    // server grab, so that no other client's claim can come in between and be undone).
    void releaseIfOwned();

    // The data from now on; waiting requests are answered. Empty data refuses them instead.
    void setData(QByteArray data);

    // Handles one event of the connection; false once the selection has been taken from us.
    bool handle(const xcb_generic_event_t* event);

private:
    struct Transfer {  // an INCR transfer under way: the next piece goes when the last is read
        QByteArray data;
        qsizetype sent = 0;
    };
    void answer(const xcb_selection_request_event_t& request);
    // Puts `target` into `property` of the requestor; false when it cannot be converted.
    bool convert(const xcb_selection_request_event_t& request, xcb_atom_t target,
                 xcb_atom_t property);
    // MULTIPLE: each (target, property) pair of the request's property converted in turn;
    // the pairs that failed get None for their property.
    bool convertMultiple(const xcb_selection_request_event_t& request);
    bool sendData(const xcb_selection_request_event_t& request, xcb_atom_t property);
    void notify(const xcb_selection_request_event_t& request, xcb_atom_t property);
    void continueTransfer(xcb_window_t window, xcb_atom_t property);

    xcb_connection_t* m_c;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_selection, m_dataTarget, m_targets, m_timestamp, m_incr, m_multiple, m_atomPair;
    xcb_timestamp_t m_acquired = XCB_CURRENT_TIME;
    bool m_dataKnown = false;
    QByteArray m_data;
    std::vector<xcb_selection_request_event_t> m_waiting;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> m_transfers;
    qsizetype m_wholeLimit;  // larger data travels in pieces of this size
};
