// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "platform/AppInfo.h"
#include "platform/Logging.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {
// Longest request line we read; anything longer is dropped.
constexpr qsizetype maxRequest = 4096;

class Fd
{
public:
    explicit Fd(int fd)
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

private:
    int m_fd;
};

Fd connectTo(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address {};
    if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return Fd(-1);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0
        || ::connect(fd.get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
        return Fd(-1);
    return fd;
}

bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
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
} // namespace

QString SingleInstance::defaultSocketPath()
{
    const QString name = AppInfo::appId() + u".socket"_s;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(name);
    return QDir(QDir::tempPath())
        .filePath(AppInfo::appId() + u'-' + QString::number(::getuid()) + u".socket"_s);
}

SingleInstance::SingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(socketPath)
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::listen()
{
    if (isListening())
        return true;
    // A socket that takes connections belongs to a running instance (busy or not); one that
    // refuses them was left behind by an instance that died.
    if (connectTo(m_socketPath).get() >= 0)
        return false;
    if (QFile::exists(m_socketPath))
        QLocalServer::removeServer(m_socketPath);
    if (!m_server) {
        // No socket options: with them Qt renames its socket over the path, replacing a live one.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    }
    if (m_server->listen(m_socketPath))
        return true;
    qCWarning(lcApp) << "Cannot listen on" << m_socketPath << ":" << m_server->errorString();
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void SingleInstance::onReadyRead(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QByteArray request = socket->readLine(maxRequest).trimmed();
        const QByteArray reply = m_handler ? m_handler(request) : QByteArray("ok");
        socket->write(reply + '\n');
        socket->flush();
    }
    if (socket->bytesAvailable() > maxRequest)
        socket->abort();
}

std::optional<QByteArray> SingleInstance::send(
    const QString &socketPath, const QByteArray &request, int timeoutMs)
{
    const Fd fd = connectTo(socketPath);
    if (fd.get() < 0)
        return std::nullopt;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const QByteArray line = request + '\n';
    for (qsizetype sent = 0; sent < line.size();) {
        if (!waitFor(fd.get(), POLLOUT, deadline))
            return std::nullopt;
        const ssize_t n = ::send(fd.get(), line.constData() + sent,
            static_cast<size_t>(line.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        sent += n;
    }

    QByteArray reply;
    while (!reply.contains('\n') && reply.size() < maxRequest) {
        if (!waitFor(fd.get(), POLLIN, deadline))
            return std::nullopt;
        char buffer[512];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof(buffer), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        reply.append(buffer, n);
    }
    if (!reply.contains('\n'))
        return std::nullopt;
    return reply.left(reply.indexOf('\n'));
}

} // namespace vantry
