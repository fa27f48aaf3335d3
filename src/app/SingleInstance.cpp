// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "core/AppInfo.h"
#include "core/Logging.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {
// Longest request line we read; anything longer is dropped.
constexpr qsizetype maxRequest = 4096;
// How long a connected peer may take to send its request line.
constexpr auto requestTimeout = std::chrono::seconds(2);

using Clock = std::chrono::steady_clock;

class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    { }
    Fd(Fd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool makeAddress(const QByteArray &path, sockaddr_un &address)
{
    address = {};
    if (path.isEmpty() || path.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

Fd connectTo(const QByteArray &path)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return Fd();
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0
        || ::connect(fd.get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
        return Fd();
    return fd;
}

// The uid of the process at the other end of a connected socket, as the kernel saw it.
bool peerIsUs(int fd)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::geteuid();
}

bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p { fd, events, 0 };
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const QByteArray &data, Clock::time_point deadline)
{
    for (qsizetype sent = 0; sent < data.size();) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd, data.constData() + sent,
            static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Reads up to the first newline; nothing when the line does not come complete in time.
std::optional<QByteArray> readLine(int fd, Clock::time_point deadline)
{
    QByteArray data;
    while (!data.contains('\n')) {
        if (data.size() > maxRequest || !waitFor(fd, POLLIN, deadline))
            return std::nullopt;
        char buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return std::nullopt;
        data.append(buffer, n);
    }
    return data.left(data.indexOf('\n'));
}

QByteArray firstWord(const QByteArray &request)
{
    const qsizetype space = request.indexOf(' ');
    return space < 0 ? request : request.left(space);
}

// A folder that only we can enter: a real directory (not a link), ours, no access for others.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

QByteArray userName()
{
    if (const passwd *entry = ::getpwuid(::geteuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    return QByteArray::number(::geteuid());
}
} // namespace

namespace {
// <temp>/runtime-<user>, made 0700 (as Qt falls back); empty when it is not ours.
QString fallbackDirectory()
{
    const QByteArray fallback = QFile::encodeName(QDir::tempPath()) + "/runtime-" + userName();
    if (::mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st
    {
    };
    // Ours but too open (made by hand, say): close it, as Qt does for its own fallback.
    if (::lstat(fallback.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 077) != 0)
        ::chmod(fallback.constData(), 0700);
    if (!isPrivateFolder(fallback)) {
        qCWarning(lcApp) << "No private runtime folder:" << QFile::decodeName(fallback)
                         << "belongs to someone else or is not a folder";
        return {};
    }
    return QFile::decodeName(fallback);
}

QString socketIn(const QString &folder)
{
    return folder.isEmpty() ? QString() : folder + u'/' + AppInfo::appId() + u".socket"_s;
}
} // namespace

QString SingleInstance::runtimeDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    return fallbackDirectory();
}

QString SingleInstance::defaultSocketPath()
{
    return socketIn(runtimeDirectory());
}

QStringList SingleInstance::socketPaths()
{
    QStringList paths;
    for (const QString &path : { defaultSocketPath(), socketIn(fallbackDirectory()) }) {
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

SingleInstance::SingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(socketPath)
{ }

SingleInstance::~SingleInstance()
{
    stop();
}

SingleInstance::Listen SingleInstance::listen()
{
    if (isListening())
        return Listen::listening;
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address;
    if (!makeAddress(path, address)) {
        qCWarning(lcApp) << "Cannot listen on" << m_socketPath << ": the path is unusable";
        return Listen::failed;
    }

    // Two launches at once take turns between looking and binding.
    const Fd lock(::open((path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() >= 0)
        ::flock(lock.get(), LOCK_EX);

    // A socket that takes connections belongs to a running instance (busy or not) unless
    // another user made it; one that refuses them was left behind by an instance that died.
    if (const Fd other = connectTo(path); other.get() >= 0) {
        if (peerIsUs(other.get()))
            return Listen::otherInstance;
        qCWarning(lcApp) << "Replacing a socket of another user at" << m_socketPath;
    }
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            qCWarning(lcApp) << "Cannot listen on" << m_socketPath << ": something else is there";
            return Listen::failed;
        }
        ::unlink(path.constData());
    }

    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0
        || ::bind(fd.get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(fd.get(), 16) != 0 || ::pipe2(m_wakeFds, O_CLOEXEC) != 0) {
        qCWarning(lcApp) << "Cannot listen on" << m_socketPath << ":" << ::strerror(errno);
        return Listen::failed;
    }
    m_listenFd = fd.release();
    m_stopping = false;
    m_thread = std::thread([this] { serve(); });
    return Listen::listening;
}

void SingleInstance::stop()
{
    if (!isListening())
        return;
    m_stopping = true;
    const char wake = 1;
    (void)!::write(m_wakeFds[1], &wake, 1);
    m_thread.join();
    for (int &fd : m_wakeFds)
        ::close(std::exchange(fd, -1));
    struct stat st
    {
    };
    const QByteArray bytes = QFile::encodeName(m_socketPath);
    if (::lstat(bytes.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
        ::unlink(bytes.constData());
    ::close(std::exchange(m_listenFd, -1));
}

void SingleInstance::serve()
{
    while (!m_stopping) {
        pollfd fds[2] = { { m_listenFd, POLLIN, 0 }, { m_wakeFds[0], POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        if (fds[0].revents & POLLIN) {
            Fd peer(::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC));
            if (peer.get() >= 0)
                answer(peer.release());
        }
    }
}

// On the listening thread: reads one request and either acknowledges it and hands it to the
// main thread, or lets the main thread reply.
void SingleInstance::answer(int fd)
{
    auto peer = std::make_shared<Fd>(fd);
    if (!peerIsUs(fd)) {
        qCWarning(lcApp) << "Ignoring a connection from another user";
        return;
    }
    const std::optional<QByteArray> line = readLine(fd, Clock::now() + requestTimeout);
    if (!line)
        return;
    const QByteArray request = line->trimmed();
    if (m_atOnce.contains(firstWord(request))) {
        sendAll(fd, "ok\n", Clock::now() + requestTimeout);
        peer.reset();
        QMetaObject::invokeMethod(
            this,
            [this, request] {
                if (m_handler)
                    m_handler(request);
            },
            Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, request, peer] {
            const QByteArray reply = m_handler ? m_handler(request) : QByteArray("ok");
            // A short line fits the socket's buffer; a peer that stopped reading loses it.
            sendAll(peer->get(), reply + '\n', Clock::now() + std::chrono::milliseconds(200));
        },
        Qt::QueuedConnection);
}

SingleInstance::Reply SingleInstance::send(
    const QString &socketPath, const QByteArray &request, int timeoutMs)
{
    const Fd fd = connectTo(QFile::encodeName(socketPath));
    if (fd.get() < 0)
        return {};
    if (!peerIsUs(fd.get()))
        return { Outcome::foreignOwner, {} };
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!sendAll(fd.get(), request + '\n', deadline))
        return { Outcome::noAnswer, {} };
    if (std::optional<QByteArray> reply = readLine(fd.get(), deadline))
        return { Outcome::answered, *reply };
    return { Outcome::noAnswer, {} };
}

} // namespace vantry
