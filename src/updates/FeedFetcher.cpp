// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/FeedFetcher.h"

#include "updates/UpdateUrlPolicy.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {
// What Qt may hold for us beyond what we have read.
constexpr qint64 readBufferSize = 64 * 1024;
} // namespace

FeedFetcher::FeedFetcher(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
        [this] { fail(tr("The update server did not answer in time.")); });
}

FeedFetcher::~FeedFetcher()
{
    abandon();
}

void FeedFetcher::fetch(const QUrl &url)
{
    abandon();
    m_redirects = 0;
    if (!UpdateUrlPolicy::isAllowedFeed(url)) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this,
            [this, url] {
                Q_EMIT failed(tr("The update feed address %1 is not allowed: updates are "
                                 "only checked over HTTPS.")
                                  .arg(url.toDisplayString()));
            },
            Qt::QueuedConnection);
        return;
    }
    m_deadline.start(m_timeout);
    request(url);
}

void FeedFetcher::cancel()
{
    abandon();
}

void FeedFetcher::request(const QUrl &url)
{
    m_body.clear();
    QNetworkRequest req(url);
    // Redirects are checked here, one by one, instead of trusting a policy.
    req.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (!m_userAgent.isEmpty())
        req.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    QNetworkReply *reply = m_network->get(req);
    // Qt's network thread otherwise reads on for as long as the server sends, however fast
    // that is, before we see a byte of it: the cap must hold for what is buffered too.
    reply->setReadBufferSize(readBufferSize);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &FeedFetcher::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &FeedFetcher::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &FeedFetcher::onFinished);
}

void FeedFetcher::onMetaDataChanged()
{
    if (!m_reply)
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_maximumSize)
        fail(tr("The update feed is larger than %1 KiB.").arg(m_maximumSize / 1024));
}

void FeedFetcher::onReadyRead()
{
    if (!m_reply)
        return;
    // A redirect's body is read (and dropped when it is followed) under the same cap: left
    // unread it would hold the transfer up once the read buffer is full.
    m_body += m_reply->read(m_maximumSize + 1 - m_body.size());
    if (m_body.size() > m_maximumSize)
        fail(tr("The update feed is larger than %1 KiB.").arg(m_maximumSize / 1024));
}

void FeedFetcher::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    onReadyRead();
    if (!m_reply)
        return; // too large, already reported
    m_reply = nullptr;
    reply->deleteLater();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400) {
        const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        const QUrl next = reply->url().resolved(target);
        if (!target.isValid() || target.isEmpty()) {
            fail(tr("The update server sent a redirect without a target."));
        } else if (next.scheme().compare(reply->url().scheme(), Qt::CaseInsensitive) != 0
            || !UpdateUrlPolicy::isAllowedFeed(next)) {
            fail(tr("The update server redirected to %1, which is not allowed.")
                     .arg(next.toDisplayString()));
        } else if (++m_redirects > MaximumRedirects) {
            fail(tr("The update server redirected too many times."));
        } else {
            request(next);
        }
        return;
    }
    if (reply->error() != QNetworkReply::NoError && status == 0) {
        fail(tr("The update feed could not be downloaded: %1").arg(reply->errorString()));
        return;
    }
    if (status != 200) {
        fail(tr("The update server answered with status %1.").arg(status));
        return;
    }
    m_deadline.stop();
    const QByteArray body = std::exchange(m_body, {});
    Q_EMIT finished(body);
}

void FeedFetcher::fail(const QString &description)
{
    abandon();
    Q_EMIT failed(description);
}

void FeedFetcher::abandon()
{
    m_deadline.stop();
    m_body.clear();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace vantry
