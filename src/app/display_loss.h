#pragma once
// Qt's X11 platform ends the process with status 1 when its connection to the X server breaks
// ("finished", to a host), and aborts when it cannot connect at start. It says so in a
// message first: watchForDisplayLoss sends those messages to `onLost` instead, which is to
// end the process itself (it must not return); every other message goes where it went.
// `onLost` runs on the thread that logged: the main thread for X11 in Qt 6.4, possibly Qt's
// Wayland event thread, so it touches no widget. While it runs, another thread that reports the
// loss waits.

#include <QString>
#include <functional>

void watchForDisplayLoss(std::function<void(const QString& message)> onLost);

// Qt 6.4's xcb platform may also crash (SIGSEGV on a missing reply, "atomName: bad atom") when
// the server goes away while it starts, and Xlib, which it uses too, ends the process with
// exit(1) from its default I/O error handler ("X connection to :N broken"). From now on a
// crash or an exit() (ours all end with _exit) while the server behind `xConnectionFd` (a
// connection of ours to the same server) has hung up ends the process as one that cannot
// record; any other crash stays a crash. The same holds for Qt's Wayland platform, with a
// connection of ours to the compositor. The line it writes names the display as
// lostDisplayLine() does when this is called.
void treatAbnormalEndsAfterDisplayLossAsCannotRecord(int xConnectionFd);

// Whether a message from Qt means that the display (the X server or the Wayland compositor) is
// gone or cannot be reached.
bool isDisplayLossMessage(bool fatal, const QString& message);

// Xlib's default I/O error handler prints its own line ("X connection to :N broken") before it
// exits, and Qt puts its handler (whose message watchForDisplayLoss catches) in place only once
// its display is open. Until then, a loss ends the process with the loss's one line instead.
// Call after treatAbnormalEndsAfterDisplayLossAsCannotRecord, on X11 only.
void keepXlibsLossMessageOut();
