// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace vantry {

// Keeps Vantry to one instance per user session. The running instance listens on
// a local socket; a later launch sends it one request line and exits. Works with
// no session bus. Requests: "toggle [activation-token]" shows or hides the shelf,
// "ping" only asks whether one runs, "status" describes the running instance.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    /// Answers one request line (without its newline) with one reply line.
    using Handler = std::function<QByteArray(const QByteArray &request)>;

    /// $XDG_RUNTIME_DIR/<app id>.socket, or a per-user name in the temporary folder.
    static QString defaultSocketPath();

    explicit SingleInstance(const QString &socketPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    QString socketPath() const { return m_socketPath; }
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    /// Starts listening unless another instance answers at the path; a socket left behind by
    /// an instance that died is replaced. False when another instance runs or listening fails.
    bool listen();
    bool isListening() const;

    /// Sends one request to the instance at socketPath and returns its reply line, or nothing
    /// when none answers within timeoutMs. Blocking; needs no event loop or application object.
    static std::optional<QByteArray> send(
        const QString &socketPath, const QByteArray &request, int timeoutMs = 3000);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);

    QString m_socketPath;
    QLocalServer *m_server = nullptr;
    Handler m_handler;
};

} // namespace vantry
