// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace vantry {

// Keeps Vantry to one instance per user session. The running instance listens on a
// local socket in a private folder; a later launch sends it one request line and reads
// one reply line. Works with no session bus. Only processes of our own user are
// answered or sent to (the peer's uid, on both sides).
//
// A thread of its own accepts connections, so a busy main thread never keeps a
// launcher waiting: requests whose first word is "acknowledged at once" get "ok"
// straight away and run on the main thread afterwards; others (queries such as
// "status") wait for the handler's reply.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    /// Answers one request line (without its newline); runs on the main thread.
    using Handler = std::function<QByteArray(const QByteArray &request)>;

    enum class Outcome {
        answered, ///< the instance replied
        noInstance, ///< nothing listens at the path
        noAnswer, ///< the request went out but no reply came in time: do not send it again
        foreignOwner, ///< another user's process listens there; nothing was sent
    };
    struct Reply
    {
        Outcome outcome = Outcome::noInstance;
        QByteArray text; ///< the reply line when answered
    };

    /// A folder only this user can enter: $XDG_RUNTIME_DIR when it is ours and private,
    /// otherwise <temp>/runtime-<user>, made 0700 (as Qt falls back); empty when neither is.
    static QString runtimeDirectory();
    /// <runtime directory>/<app id>.socket; empty when there is no private folder.
    static QString defaultSocketPath();
    /// Where launches look for the running instance, in order: the default socket, then the
    /// one in the fallback folder, used when the default cannot be made.
    static QStringList socketPaths();

    explicit SingleInstance(const QString &socketPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    QString socketPath() const { return m_socketPath; }
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    /// First words of the requests that are acknowledged before they run. Set before listen().
    void setAcknowledgedAtOnce(QList<QByteArray> words) { m_atOnce = std::move(words); }

    enum class Listen {
        listening,
        otherInstance, ///< an instance of ours answers at the path
        failed, ///< no socket can be made there (logged): try elsewhere
    };
    /// Starts listening unless an instance of ours answers at the path; a socket left behind
    /// by an instance that died, or planted by another user, is replaced.
    Listen listen();
    bool isListening() const { return m_listenFd >= 0; }

    /// Sends one request to the instance at socketPath and waits up to timeoutMs for its reply.
    /// Blocking; needs no event loop or application object. Sends at most once.
    static Reply send(const QString &socketPath, const QByteArray &request, int timeoutMs = 3000);

private:
    void serve();
    void answer(int fd);
    void stop();

    QString m_socketPath;
    Handler m_handler;
    QList<QByteArray> m_atOnce;
    int m_listenFd = -1;
    int m_wakeFds[2] = { -1, -1 };
    std::thread m_thread;
    std::atomic<bool> m_stopping { false };
};

} // namespace vantry
