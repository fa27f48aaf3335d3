// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/BackgroundPortalService.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimer>

namespace LaunchAtLogin {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString backgroundInterface = QStringLiteral("org.freedesktop.portal.Background");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The user may take a while to answer the desktop's question.
constexpr int answerTimeoutMs = 120'000;

// Receives the Request's Response signal; QtDBus connects signals by slot name only.
class ResponseReceiver final : public QObject
{
    Q_OBJECT

public:
    uint response = 2;
    QVariantMap results;
    bool answered = false;

Q_SIGNALS:
    void done();

public Q_SLOTS:
    void onResponse(uint code, const QVariantMap &map)
    {
        response = code;
        results = map;
        answered = true;
        Q_EMIT done();
    }
};

} // namespace

BackgroundPortalService::BackgroundPortalService(QDBusConnection bus, AutostartService record)
    : m_bus(std::move(bus))
    , m_record(std::move(record))
{ }

Status BackgroundPortalService::status() const
{
    if (m_denied)
        return Status::requiresApproval;
    return m_record.status();
}

std::optional<QString> BackgroundPortalService::registerItem()
{
    const Answer answer = request(true);
    if (!answer.error.isEmpty())
        return answer.error;
    if (answer.response != 0 || !answer.results.value(QStringLiteral("autostart")).toBool()) {
        m_denied = true;
        return tr("The desktop did not allow starting at login.");
    }
    m_denied = false;
    return m_record.registerItem();
}

std::optional<QString> BackgroundPortalService::unregisterItem()
{
    const Answer answer = request(false);
    if (!answer.error.isEmpty())
        return answer.error;
    if (answer.response != 0)
        return tr("The desktop did not confirm the change.");
    m_denied = false;
    return m_record.unregisterItem();
}

BackgroundPortalService::Answer BackgroundPortalService::request(bool autostart)
{
    Answer answer;
    if (!m_bus.isConnected()) {
        answer.error = tr("There is no session bus.");
        return answer;
    }
    const QString token = QStringLiteral("vantry%1").arg(QRandomGenerator::global()->generate());
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath
        = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);

    // Listen before calling, or a quick answer is lost.
    ResponseReceiver receiver;
    m_bus.connect(portalService, requestPath, requestInterface, QStringLiteral("Response"),
        &receiver, SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, backgroundInterface, QStringLiteral("RequestBackground"));
    const QVariantMap options {
        { QStringLiteral("handle_token"), token },
        { QStringLiteral("reason"), tr("Start the shelf when you log in.") },
        { QStringLiteral("autostart"), autostart },
        { QStringLiteral("commandline"), QStringList { QFileInfo(m_record.program()).fileName() } },
        { QStringLiteral("dbus-activatable"), false },
    };
    call << QString() << options;

    QEventLoop loop;
    QDBusPendingCallWatcher watcher(m_bus.asyncCall(call));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        const QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            answer.error = reply.error().message();
            loop.quit();
        }
    });
    QObject::connect(&receiver, &ResponseReceiver::done, &loop, &QEventLoop::quit);
    QTimer::singleShot(answerTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();

    m_bus.disconnect(portalService, requestPath, requestInterface, QStringLiteral("Response"),
        &receiver, SLOT(onResponse(uint, QVariantMap)));
    if (answer.error.isEmpty() && !receiver.answered)
        answer.error = tr("The desktop did not answer.");
    answer.response = receiver.response;
    answer.results = receiver.results;
    return answer;
}

} // namespace LaunchAtLogin

#include "BackgroundPortalService.moc"
