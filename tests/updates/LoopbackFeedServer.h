// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

// A minimal HTTP/1.0 server on 127.0.0.1 inside the test process, so the
// updater fetches its feed over a real socket without leaving the machine.
class LoopbackFeedServer final : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray location; // for redirects
        bool neverAnswer = false; // accept the request and stay silent

        static Response ok(const QByteArray &body)
        {
            Response r;
            r.body = body;
            return r;
        }
        static Response withStatus(int status, const QByteArray &location = {})
        {
            Response r;
            r.status = status;
            r.location = location;
            return r;
        }
    };

    explicit LoopbackFeedServer(QObject *parent = nullptr);

    bool listen();
    QUrl url(const QString &path) const;
    void setResponse(const QString &path, const Response &response);
    /// How many requests reached path.
    int hits(const QString &path) const { return m_hits.value(path); }

private:
    void onNewConnection();

    QHash<QString, Response> m_responses;
    QHash<QString, int> m_hits;
    QTcpServer m_server;
};
