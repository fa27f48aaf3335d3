// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/FreedesktopNotificationCenter.h"
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

namespace {

QByteArray dunstctl(const QStringList &arguments)
{
    QProcess p;
    p.start(u"dunstctl"_s, arguments);
    p.waitForFinished(10000);
    return p.readAllStandardOutput().trimmed();
}

int count(const QString &which)
{
    return dunstctl({ u"count"_s, which }).toInt();
}

// What dunst keeps of a closed notification, by field.
QString closed(int index, const char *field)
{
    const QJsonDocument history = QJsonDocument::fromJson(dunstctl({ u"history"_s }));
    const QJsonObject entry
        = history.object().value("data"_L1).toArray().at(0).toArray().at(index).toObject();
    return entry.value(QLatin1StringView(field)).toObject().value("data"_L1).toString();
}

} // namespace

// The update notification against dunst, a real notification server, on the test's
// private session bus and Xvfb display.
class TestNotificationBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void oneNotificationFollowsTheLatestVersionUntilWithdrawn();
    void nothingAndNoErrorWithoutServer();

private:
    QProcess m_dunst;
    FreedesktopNotificationCenter *m_center = new FreedesktopNotificationCenter;
    NotificationBridge m_bridge { std::unique_ptr<FreedesktopNotificationCenter>(m_center) };
};

void TestNotificationBridge::initTestCase()
{
    const QString dunst = QStandardPaths::findExecutable(u"dunst"_s);
    QVERIFY2(!dunst.isEmpty(), "dunst is a test dependency (scripts/install-deps.sh)");
    QVERIFY(QDBusConnection::sessionBus().isConnected());
    // Whatever goes wrong with notifications must stay quiet.
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    m_dunst.setStandardOutputFile(QProcess::nullDevice());
    m_dunst.setStandardErrorFile(QProcess::nullDevice());
    // Its stock configuration, as a user who never edited it has.
    m_dunst.start(dunst, { u"-config"_s, u"/etc/xdg/dunst/dunstrc"_s });
    QVERIFY(m_dunst.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                 u"org.freedesktop.Notifications"_s),
        20000);
}

void TestNotificationBridge::cleanupTestCase()
{
    m_dunst.terminate();
    if (!m_dunst.waitForFinished(10000))
        m_dunst.kill();
}

void TestNotificationBridge::oneNotificationFollowsTheLatestVersionUntilWithdrawn()
{
    // The later ones come before dunst has answered the first.
    m_bridge.postUpdateNotification(u"2.1"_s);
    m_bridge.postUpdateNotification(u"2.2"_s);
    m_bridge.postUpdateNotification(u"<h1>FREE</h1> & 2.3"_s);
    QTRY_VERIFY(m_center->serverId(u"VT_UPDATE"_s) != 0);
    QCOMPARE(count(u"displayed"_s), 1);

    // Withdrawn, it is the one notification dunst keeps in its history, with the latest
    // version as text: dunst reads the body as markup.
    m_bridge.removeUpdateNotifications();
    QTRY_COMPARE(count(u"history"_s), 1);
    QCOMPARE(count(u"displayed"_s), 0);
    QCOMPARE(closed(0, "summary"), u"Update available"_s);
    QCOMPARE(closed(0, "body"), u"Version &lt;h1&gt;FREE&lt;/h1&gt; &amp; 2.3 is now available"_s);

    // Withdrawn while dunst has not yet answered.
    m_bridge.postUpdateNotification(u"2.4"_s);
    m_bridge.removeUpdateNotifications();
    QTRY_COMPARE(count(u"history"_s), 2);
    QCOMPARE(count(u"displayed"_s), 0);
}

void TestNotificationBridge::nothingAndNoErrorWithoutServer()
{
    cleanupTestCase();
    m_bridge.postUpdateNotification(u"2.5"_s);
    m_bridge.removeUpdateNotifications();
    m_bridge.requestNotificationAuthorization();
    // Answered after everything asked before it.
    bool answered = false;
    m_center->requestAuthorization([&](bool) { answered = true; });
    QTRY_VERIFY(answered);
}

QTEST_GUILESS_MAIN(TestNotificationBridge)
#include "tst_notificationbridge.moc"
