#include "platform/wayland/sway_window_list.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicLength = 6;
constexpr uint32_t kGetTree = 4;
constexpr int kAnswerTimeoutMs = 1000;

// Reads exactly `size` bytes, waiting at most the answer's time for each piece.
bool readExactly(int fd, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, kAnswerTimeoutMs) <= 0) return false;
        const ssize_t n = read(fd, data + done, size - done);
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

Rect rectOf(const QJsonObject& node, const char* key = "rect") {
    const QJsonObject r = node[key].toObject();
    return {r["x"].toDouble(), r["y"].toDouble(), r["width"].toDouble(), r["height"].toDouble()};
}

// A window with its frame: sway's "rect" leaves out the title bar above it ("deco_rect", one
// per window of a stacked parent, which all stand above each of them), borders included.
Rect frameOf(const QJsonObject& node, int titleBars) {
    Rect frame = rectOf(node);
    const double titles = rectOf(node, "deco_rect").height * titleBars;
    frame.y -= titles;
    frame.height += titles;
    return frame;
}

// A window is a container that holds a client (it has a process); the others hold containers.
// `titleBars`: how many title bars stand above each child of this node's parent.
void collect(const QJsonObject& node, qint64 ownPid, std::vector<Rect>& front,
             std::vector<Rect>& back, bool floating, int titleBars = 1) {
    if (node.contains("pid") && node["pid"].toInteger() > 0) {
        const Rect bounds = frameOf(node, titleBars);
        if (node["visible"].toBool() && node["pid"].toInteger() != ownPid && bounds.width > 0 &&
            bounds.height > 0) {
            (floating ? front : back).push_back(bounds);
        }
    }
    // The last floating window was raised last: it comes first.
    const QJsonArray floatingNodes = node["floating_nodes"].toArray();
    for (auto it = floatingNodes.end(); it != floatingNodes.begin();) {
        --it;
        collect(it->toObject(), ownPid, front, back, true, 1);
    }
    const QJsonArray children = node["nodes"].toArray();
    const bool stacked = node["layout"].toString() == QLatin1String("stacked");
    for (const QJsonValue& child : children) {
        collect(child.toObject(), ownPid, front, back, floating,
                stacked ? int(children.size()) : 1);
    }
}

}  // namespace

SwayWindowList::SwayWindowList(std::shared_ptr<WaylandDisplay> display, std::string socket)
    : m_display(std::move(display)), m_socket(std::move(socket)) {}

std::vector<Rect> SwayWindowList::windowsOfTree(const QJsonObject& tree, qint64 ownPid) {
    std::vector<Rect> front, back;
    collect(tree, ownPid, front, back, false);
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

std::vector<Rect> SwayWindowList::onScreenWindows() {
    const QByteArray answer = ask(kGetTree);
    if (answer.isEmpty()) return {};
    std::vector<Rect> windows =
        windowsOfTree(QJsonDocument::fromJson(answer).object(), qint64(getpid()));
    // The layout's coordinates, from the main output's corner.
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    if (!outputs.empty()) {
        const Rect& main = outputs.front().logical;
        for (Rect& w : windows) {
            w.x -= main.x;
            w.y -= main.y;
        }
    }
    return windows;
}

QByteArray SwayWindowList::ask(uint32_t type, const QByteArray& payload) {
    sockaddr_un address{};
    if (m_socket.empty() || m_socket.size() >= sizeof address.sun_path) return {};
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_socket.c_str(), m_socket.size() + 1);
    QByteArray answer;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        QByteArray message(kMagic, kMagicLength);
        const uint32_t header[2] = {uint32_t(payload.size()), type};
        message.append(reinterpret_cast<const char*>(header), sizeof header);
        message.append(payload);
        char reply[kMagicLength + sizeof header];
        if (write(fd, message.constData(), size_t(message.size())) == message.size() &&
            readExactly(fd, reply, sizeof reply) && std::memcmp(reply, kMagic, kMagicLength) == 0) {
            uint32_t length = 0;
            std::memcpy(&length, reply + kMagicLength, sizeof length);
            // A tree is some kilobytes; anything far larger is not an answer.
            if (length <= (64u << 20)) {
                answer.resize(qsizetype(length));
                if (!readExactly(fd, answer.data(), length)) answer.clear();
            }
        }
    }
    close(fd);
    return answer;
}
