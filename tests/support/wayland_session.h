#pragma once
// A private headless sway for one test: outputs of chosen sizes and scales, each showing a
// wallpaper whose every pixel tells its position, no GPU. sway refuses to run as root, so as
// root it runs as the user nobody with a runtime folder of its own; the test's clients keep
// theirs and reach the compositor by the socket's full path. Stopped by the destructor.

#include <sys/types.h>

#include <QImage>
#include <QTemporaryDir>
#include <string>
#include <vector>

struct WaylandOutputSpec {
    int width = 1280;  // pixels
    int height = 800;
    double scale = 1;  // sway takes fractional scales too
    int x = 0;         // place in the layout, in logical points
    int y = 0;
};

class WaylandSession {
public:
    explicit WaylandSession(std::vector<WaylandOutputSpec> outputs = {WaylandOutputSpec{}});
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // The environment a client of this compositor needs ("NAME=VALUE", or "NAME" to unset).
    std::vector<std::string> clientEnvironment() const;
    const std::string& socket() const { return m_socket; }
    const std::string& ipcSocket() const { return m_ipcSocket; }
    // The wallpaper of output `index`, as its pixels show it (at an integer scale; at a
    // fractional one the compositor scales it).
    QImage wallpaper(int index) const { return m_wallpapers.at(index); }
    const std::vector<WaylandOutputSpec>& outputs() const { return m_outputs; }

    // The screen (or a region of the layout, "x,y wxh" in logical points) as grim reads it.
    QImage grim(const std::string& region = {}) const;
    // The clipboard as another client pastes it (image/png); empty when nothing can be pasted.
    QByteArray paste() const;
    // The same as an image in RGB32; null when nothing could be pasted.
    QImage pastedImage() const;
    // Starts the desktop portal for this session on a private session bus: the frontend,
    // wlroots' back end for screenshots, GTK's for the access questions it insists on, and
    // PipeWire, which the wlroots back end needs; screenshots are allowed beforehand, as a user
    // would have allowed them once. Its clients then find it through clientEnvironment().
    bool startPortal();
    // A private session bus alone, for a portal of the test's own.
    bool startBus();
    // Ends the compositor now, as a crash would for its clients.
    void stopCompositor();
    // Runs `swaymsg` with the arguments; its standard output.
    QByteArray swaymsg(const std::vector<std::string>& arguments) const;

    // Output `name` ("HEADLESS-1", ...) whole, at its pixel size, as grim reads it.
    QImage grimOutput(const std::string& name) const;
    // Turns or mirrors output `index` (sway's names: "normal", "90", "flipped-270", ...) and
    // has it show its wallpaper tiled at its own size, which every transform shows with the
    // same pixels; returns once grim shows that. False when it does not within 20 s.
    bool transformOutput(int index, const std::string& transform);

private:
    bool start();
    bool waitForWallpapers();

    std::vector<WaylandOutputSpec> m_outputs;
    QTemporaryDir m_dir;
    std::vector<QImage> m_wallpapers;
    pid_t m_compositor = -1;
    std::string m_socket;
    std::string m_ipcSocket;
    std::string m_clientRuntime;
    std::string m_bus;  // the portal's session bus, once started
    std::vector<pid_t> m_portal;
    std::string m_error;
};
