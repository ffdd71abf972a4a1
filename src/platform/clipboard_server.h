#pragma once
// The clipboard as the helper program serves it: owned for one data type on a connection of
// the helper's own, answered from data that may arrive after the clipboard was taken. One
// implementation per window system; the helper's loop waits on eventFd() and calls
// handleEvents() whenever it is readable.

#include <QByteArray>

class ClipboardServer {
public:
    virtual ~ClipboardServer() = default;
    // Takes the clipboard; true once the window system confirms that it is ours.
    virtual bool acquire() = 0;
    // The data from now on; requests that waited for it are answered. Empty data refuses them.
    virtual void setData(QByteArray data) = 0;
    // Gives the clipboard up unless another client has taken it meanwhile.
    virtual void releaseIfOwned() = 0;
    // The descriptor to wait on for the window system's messages.
    virtual int eventFd() = 0;
    // Handles what has arrived, without waiting; false once the clipboard has been taken from
    // us or the connection is gone.
    virtual bool handleEvents() = 0;
    // Asks the window system whether the clipboard is still ours (a safety net beside the
    // messages that say so).
    virtual bool stillOwned() = 0;
};
