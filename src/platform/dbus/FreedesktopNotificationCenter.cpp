// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/FreedesktopNotificationCenter.h"

#include "core/AppInfo.h"
#include "core/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

QDBusMessage methodCall(const char *method)
{
    return QDBusMessage::createMethodCall(QLatin1StringView(FreedesktopNotificationCenter::Service),
        QLatin1StringView(FreedesktopNotificationCenter::Path),
        QLatin1StringView(FreedesktopNotificationCenter::Interface), QLatin1StringView(method));
}

// Servers that advertise "body-markup" read the body as markup: a version
// string from the feed must show as the text it is.
QString escapedMarkup(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += "&amp;"_L1;
        else if (c == u'<')
            out += "&lt;"_L1;
        else if (c == u'>')
            out += "&gt;"_L1;
        else
            out += c;
    }
    return out;
}

} // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(
    const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{ }

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() = default;

quint32 FreedesktopNotificationCenter::serverId(const QString &identifier) const
{
    return m_entries.value(identifier).serverId;
}

void FreedesktopNotificationCenter::add(const NotificationRequest &request)
{
    if (!m_bus.isConnected()) {
        qCDebug(lcUpdates) << "No session bus: notification not shown";
        return;
    }
    Entry &entry = m_entries[request.identifier];
    entry.closeWhenKnown = false;
    if (entry.notifying) {
        entry.next = request;
        return;
    }
    notify(request);
}

void FreedesktopNotificationCenter::notify(const NotificationRequest &request)
{
    Entry &entry = m_entries[request.identifier];
    entry.notifying = true;

    // Asked every time: the server may have been replaced since the last one.
    auto *watcher
        = new QDBusPendingCallWatcher(m_bus.asyncCall(methodCall("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, request](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<QStringList> capabilities = *w;
            const bool markup
                = !capabilities.isError() && capabilities.value().contains(u"body-markup"_s);
            sendNotify(request, markup);
        });
}

void FreedesktopNotificationCenter::sendNotify(const NotificationRequest &request, bool markup)
{
    Entry &entry = m_entries[request.identifier];
    QDBusMessage call = methodCall("Notify");
    const QString appId = AppInfo::appId();
    const QVariantMap hints {
        { u"desktop-entry"_s, appId },
        { u"x-vantry-identifier"_s, request.identifier },
    };
    call << AppInfo::displayName() << quint32(entry.serverId) << appId << request.title
         << (markup ? escapedMarkup(request.body) : request.body) << QStringList() << hints
         << qint32(-1);

    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const QString identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, identifier](QDBusPendingCallWatcher *w) { onNotifyAnswered(identifier, w); });
}

void FreedesktopNotificationCenter::onNotifyAnswered(
    const QString &identifier, QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<quint32> reply = *watcher;
    Entry &entry = m_entries[identifier];
    entry.notifying = false;
    if (reply.isError()) {
        // No notification server is an ordinary situation; nothing is shown.
        qCDebug(lcUpdates) << "Notification not shown:" << reply.error().message();
    } else {
        entry.serverId = reply.value();
    }
    if (entry.closeWhenKnown) {
        entry.closeWhenKnown = false;
        close(std::exchange(entry.serverId, 0));
    }
    if (entry.next)
        notify(*std::exchange(entry.next, std::nullopt));
}

void FreedesktopNotificationCenter::removeDelivered(const QStringList &identifiers)
{
    for (const QString &identifier : identifiers) {
        auto it = m_entries.find(identifier);
        if (it == m_entries.end())
            continue;
        it->next.reset();
        if (it->notifying)
            it->closeWhenKnown = true;
        else
            close(std::exchange(it->serverId, 0));
    }
}

void FreedesktopNotificationCenter::close(quint32 serverId)
{
    if (serverId == 0 || !m_bus.isConnected())
        return;
    QDBusMessage call = methodCall("CloseNotification");
    call << serverId;
    // The answer does not matter: the user may have dismissed it already.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

void FreedesktopNotificationCenter::requestAuthorization(std::function<void(bool)> answer)
{
    if (!m_bus.isConnected()) {
        if (answer)
            answer(false);
        return;
    }
    // A server that answers may show notifications; there is nothing else to ask.
    auto *watcher
        = new QDBusPendingCallWatcher(m_bus.asyncCall(methodCall("GetServerInformation")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [answer = std::move(answer)](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const bool answered = !w->isError();
            qCDebug(lcUpdates) << "Notification server answers:" << answered;
            if (answer)
                answer(answered);
        });
}

} // namespace vantry
