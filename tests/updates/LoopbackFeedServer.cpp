// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackFeedServer.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

LoopbackFeedServer::LoopbackFeedServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackFeedServer::onNewConnection);
}

bool LoopbackFeedServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QUrl LoopbackFeedServer::url(const QString &path) const
{
    return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
}

void LoopbackFeedServer::setResponse(const QString &path, const Response &response)
{
    m_responses.insert(path, response);
}

void LoopbackFeedServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            const QString path
                = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
            ++m_hits[path];
            const auto it = m_responses.constFind(path);
            const Response response
                = it != m_responses.constEnd() ? *it : Response::withStatus(404);
            if (response.neverAnswer)
                return;
            QByteArray head = "HTTP/1.0 " + QByteArray::number(response.status) + " Status\r\n";
            head += "Content-Type: application/rss+xml\r\nConnection: close\r\n";
            if (!response.location.isEmpty())
                head += "Location: " + response.location + "\r\n";
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            socket->write(head + "\r\n" + response.body);
            socket->disconnectFromHost();
        });
    }
}
