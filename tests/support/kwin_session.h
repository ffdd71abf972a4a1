#pragma once
// A private headless KWin (KDE Plasma's compositor) for one test: one virtual output of a
// chosen size, Xwayland, a session bus of its own, OpenGL through llvmpipe. KWin serves its
// screenshot interface only to programs named by a .desktop entry: the entries for
// `authorised` are written before it starts, as a package installs its own. It runs from a
// copy of the installed binary (whose file capability a container may refuse; the copy keeps
// the name KWin needs to find its platform plugin). Stopped by the destructor.

#include <sys/types.h>

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

class KWinSession {
public:
    // `outputs` outputs of `width` x `height`, side by side.
    KWinSession(int width, int height, const std::vector<std::string>& authorised, int outputs = 1);
    ~KWinSession();
    KWinSession(const KWinSession&) = delete;
    KWinSession& operator=(const KWinSession&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // The environment of a client of this compositor ("NAME=VALUE", or "NAME" to unset).
    std::vector<std::string> clientEnvironment() const;
    // The whole workspace as KWin's screenshot interface gives it (quillet_kwin_shot); null on
    // failure.
    QImage screenshot() const;
    // The clipboard as another client pastes it (image/png), in RGB32; null when nothing can be.
    QImage pastedImage() const;
    // The runtime folder of its clients.
    const std::string& runtimeFolder() const { return m_runtime; }
    // How many scripts KWin holds loaded (each is an object of its own on the bus, named by its
    // number); -1 when KWin does not say.
    int loadedScripts() const;

private:
    bool start(int width, int height, const std::vector<std::string>& authorised, int outputs);

    QTemporaryDir m_dir;
    std::string m_runtime;
    std::string m_bus;
    std::string m_socket = "kwin-quillet";
    pid_t m_busDaemon = -1;
    pid_t m_compositor = -1;
    std::string m_error;
};
