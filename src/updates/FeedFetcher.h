// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace vantry {

// Downloads the update feed, and nothing else: HTTPS only (plain HTTP to
// loopback in builds with tests), redirects followed only within the same
// scheme, the body limited in size (the download stops as soon as it is
// exceeded, and Qt buffers little beyond what was read) and the whole
// transfer, redirects included, limited in time.
// Exactly one of finished() or failed() follows each fetch().
class FeedFetcher final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaximumRedirects = 5;

    explicit FeedFetcher(QObject *parent = nullptr);
    ~FeedFetcher() override;

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setMaximumSize(qint64 bytes) { m_maximumSize = bytes; }
    void setUserAgent(const QByteArray &userAgent) { m_userAgent = userAgent; }

    /// Starts downloading url; a fetch still running is abandoned silently.
    void fetch(const QUrl &url);
    /// Abandons the running fetch without a signal.
    void cancel();
    bool isRunning() const { return !m_reply.isNull(); }

Q_SIGNALS:
    void finished(const QByteArray &body);
    /// A translated description of what went wrong.
    void failed(const QString &description);

private:
    void request(const QUrl &url);
    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    void fail(const QString &description);
    void abandon();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    QByteArray m_userAgent;
    std::chrono::milliseconds m_timeout { std::chrono::seconds(30) };
    qint64 m_maximumSize = 1024 * 1024;
    int m_redirects = 0;
};

} // namespace vantry
