// SPDX-License-Identifier: GPL-3.0-or-later
// The update notification against dunst, a real notification server, on the
// test's private session bus and Xvfb display.
#include "updates/FreedesktopNotificationCenter.h"
#include "updates/NotificationBridge.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using vantry::FreedesktopNotificationCenter;
using vantry::NotificationBridge;

class TestDunstNotifications : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QString dunst = QStandardPaths::findExecutable(u"dunst"_s);
        QVERIFY2(!dunst.isEmpty(), "dunst is a test dependency (scripts/install-deps.sh --test)");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        m_dunst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_dunst.setStandardOutputFile(QProcess::nullDevice());
        // Its stock configuration, as a user who never edited it has.
        m_dunst.start(dunst, { u"-config"_s, u"/etc/xdg/dunst/dunstrc"_s });
        QVERIFY(m_dunst.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     u"org.freedesktop.Notifications"_s),
            20000);
    }

    void cleanupTestCase()
    {
        m_dunst.terminate();
        if (!m_dunst.waitForFinished(10000))
            m_dunst.kill();
    }

    void markupInTheVersionShowsAsText()
    {
        auto center = std::make_unique<FreedesktopNotificationCenter>();
        FreedesktopNotificationCenter *c = center.get();
        NotificationBridge bridge(std::move(center));
        bridge.postUpdateNotification(u"<h1>FREE</h1> & co"_s);
        QTRY_VERIFY_WITH_TIMEOUT(c->serverId(u"VT_UPDATE"_s) != 0, 10000);
        const quint32 first = c->serverId(u"VT_UPDATE"_s);
        // A later version takes the place of the earlier one, under the same id.
        bridge.postUpdateNotification(u"<i>2</i>"_s);

        // dunst keeps what it showed in its history once closed: the message it
        // hands to Pango must carry the version as text.
        const QString body = u"Version &lt;i&gt;2&lt;/i&gt; is now available"_s;
        QJsonObject shown;
        QTRY_VERIFY_WITH_TIMEOUT(!(shown = closeAllAndFind(body)).isEmpty(), 10000);
        QCOMPARE(field(shown, "summary"), u"Update available"_s);
        QCOMPARE(shown.value("id"_L1).toObject().value("data"_L1).toInteger(), qint64(first));
        const QString message = field(shown, "message");
        QVERIFY2(message.endsWith(u'\n' + body), qPrintable(message));
    }

private:
    static QByteArray dunstctl(const QStringList &arguments)
    {
        QProcess p;
        p.start(u"dunstctl"_s, arguments);
        p.waitForFinished(10000);
        return p.readAllStandardOutput();
    }
    static QString field(const QJsonObject &entry, const char *name)
    {
        return entry.value(QLatin1StringView(name)).toObject().value("data"_L1).toString();
    }
    // Closes what dunst shows, then looks for a body in its history.
    static QJsonObject closeAllAndFind(const QString &body)
    {
        dunstctl({ u"close-all"_s });
        const QJsonDocument history = QJsonDocument::fromJson(dunstctl({ u"history"_s }));
        const QJsonArray entries = history.object().value("data"_L1).toArray().at(0).toArray();
        for (const QJsonValue &entry : entries) {
            if (field(entry.toObject(), "body") == body)
                return entry.toObject();
        }
        return {};
    }

    QProcess m_dunst;
};

QTEST_GUILESS_MAIN(TestDunstNotifications)
#include "tst_dunstnotifications.moc"
