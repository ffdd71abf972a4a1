#include "platform/system/clipboard_keeper.h"

#include "platform/system/companion_path.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

#include "platform/clipboard_helper.h"
#include "platform/png_image.h"
#include "platform/system/memfd_memory.h"

extern char** environ;

namespace {

constexpr char kHelperProgram[] = "quillet-clipboard-helper";

using Clock = std::chrono::steady_clock;

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

bool writeAll(int fd, const uchar* data, size_t size) {
    off_t offset = 0;
    while (size > 0) {
        const ssize_t n = pwrite(fd, data, std::min<size_t>(size, 1u << 30), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        offset += n;
        size -= size_t(n);
    }
    return true;
}

bool sendAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        // MSG_NOSIGNAL: a helper that died must cost us a failed call, not a SIGPIPE.
        const ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

// Sends `data` with `fd` attached to its first byte.
bool sendWithDescriptor(int channel, const void* data, size_t size, int fd) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    iovec part{const_cast<void*>(data), size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* attached = CMSG_FIRSTHDR(&message);
    attached->cmsg_level = SOL_SOCKET;
    attached->cmsg_type = SCM_RIGHTS;
    attached->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(attached), &fd, sizeof fd);
    ssize_t n;
    while ((n = sendmsg(channel, &message, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    return sendAll(channel, static_cast<const char*>(data) + n, size - size_t(n));
}

// Waits for the helper's one-byte answer; a helper that died closes the channel.
bool waitForReady(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) return false;
        pollfd pfd{fd, POLLIN, 0};
        const int rc = poll(&pfd, 1, int(std::min<long long>(left, INT_MAX)));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return false;
        char answer = 0;
        const ssize_t n = recv(fd, &answer, 1, 0);
        if (n < 0 && errno == EINTR) continue;
        return n == 1 && answer == kHelperReady;
    }
}

}  // namespace

ClipboardKeeper::ClipboardKeeper(std::string helperExecutable,
                                 std::chrono::milliseconds readyTimeout)
    : m_executable(std::move(helperExecutable)), m_readyTimeout(readyTimeout) {}

ClipboardKeeper::~ClipboardKeeper() {
    // A helper that never got an image owns nothing; it would exit on the closed channel anyway.
    finishSpawning();
    dropHelper(true);
}

std::string ClipboardKeeper::helperExecutable() {
    return companionPath(kHelperProgram, clipboardHelperFolder(), X_OK);
}

void ClipboardKeeper::prepare() {
    finishSpawning();
    if (m_helper >= 0) return;
    try {
        m_spawning = std::thread([this] { spawnHelper(); });
    } catch (const std::system_error&) {
        spawnHelper();
    }
}

void ClipboardKeeper::finishSpawning() {
    if (m_spawning.joinable()) m_spawning.join();
}

bool ClipboardKeeper::setImage(const Pixels& image) {
    if (image.isNull()) return false;
    return deliver([&] { return handOver(image); });
}

bool ClipboardKeeper::setPng(const QByteArray& png) {
    if (png.isEmpty()) return false;
    return deliver([&] { return handOverPng(png); });
}

bool ClipboardKeeper::deliver(const std::function<bool()>& handOverStep) {
    finishSpawning();
    if (m_helper < 0 && !spawnHelper()) return false;
    if (!handOverStep()) {
        dropHelper(true);
        return false;
    }
    m_helper = -1;  // it lives on by itself now
    dropHelper(false);
    return true;
}

bool ClipboardKeeper::spawnHelper() {
    m_pixelsFd = memfd_create("quillet-clipboard", MFD_CLOEXEC);
    int channel[2];
    if (m_pixelsFd < 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) {
        closeFd(m_pixelsFd);
        return false;
    }
    m_channelFd = channel[0];
    // Sources above the target numbers, so that one dup2 in the child cannot overwrite another's
    // source; all of them close on exec, the dup2 targets do not.
    int childPixels = fcntl(m_pixelsFd, F_DUPFD_CLOEXEC, 10);
    int childChannel = fcntl(channel[1], F_DUPFD_CLOEXEC, 10);
    close(channel[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, childPixels, kHelperPixelsFd);
    posix_spawn_file_actions_adddup2(&actions, childChannel, kHelperChannelFd);
    // Whatever our own parent left open without close-on-exec stays with us.
    posix_spawn_file_actions_addclosefrom_np(&actions, kHelperChannelFd + 1);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signalSet;
    sigemptyset(&signalSet);
    posix_spawnattr_setsigmask(&attributes, &signalSet);
    sigfillset(&signalSet);
    posix_spawnattr_setsigdefault(&attributes, &signalSet);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    char* argv[] = {m_executable.data(), const_cast<char*>(kClipboardHelperFlag), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, m_executable.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    closeFd(childPixels);
    closeFd(childChannel);
    if (rc != 0) {
        closeFd(m_pixelsFd);
        closeFd(m_channelFd);
        return false;
    }
    m_helper = pid;
    m_lastHelper = pid;
    return true;
}

bool ClipboardKeeper::handOver(const Pixels& native) {
    const auto deadline = Clock::now() + m_readyTimeout;
    const PngPixels forEncoder = native.forEncoder();
    ClipboardImageHeader header;
    header.width = native.width();
    header.height = native.height();
    header.format = int(native.format());
    header.bytesPerLine = native.bytesPerLine();
    header.dotsPerMeterX = forEncoder.dotsPerMeterX;
    header.dotsPerMeterY = forEncoder.dotsPerMeterY;
    header.devicePixelRatio = native.devicePixelRatio();
    // Pixels that a memfd already holds (the grab's) travel as that descriptor, not as a copy.
    if (const auto range = handOverMemfdRange(native.constBits(), size_t(native.sizeInBytes()))) {
        header.pixelsInPassedFd = 1;
        header.pixelsOffset = range->offset;
        return sendWithDescriptor(m_channelFd, &header, sizeof header, range->fd) &&
               waitForReady(m_channelFd, deadline);
    }
    return writeAll(m_pixelsFd, native.constBits(), size_t(native.sizeInBytes())) &&
           sendAll(m_channelFd, &header, sizeof header) && waitForReady(m_channelFd, deadline);
}

bool ClipboardKeeper::handOverPng(const QByteArray& png) {
    const auto deadline = Clock::now() + m_readyTimeout;
    ClipboardImageHeader header;
    header.format = kClipboardPngBytes;
    header.bytesPerLine = png.size();
    return writeAll(m_pixelsFd, reinterpret_cast<const uchar*>(png.constData()),
                    size_t(png.size())) &&
           sendAll(m_channelFd, &header, sizeof header) && waitForReady(m_channelFd, deadline);
}

void ClipboardKeeper::dropHelper(bool kill) {
    closeFd(m_pixelsFd);
    closeFd(m_channelFd);
    if (m_helper > 0 && kill) {
        ::kill(m_helper, SIGKILL);
        while (waitpid(m_helper, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_helper = -1;
}
