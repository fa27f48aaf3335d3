// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

#include "updates/FreedesktopNotificationCenter.h"
#include "updates/NotificationBridge.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantry::FreedesktopNotificationCenter;
using vantry::NotificationBridge;

// The update notification against a notification server on the test's private bus.
class TestNotificationBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void postsOnceWithTheRightTexts_data();
    void postsOnceWithTheRightTexts();
    void laterVersionReplacesTheEarlier();
    void withdrawnWhenRemoved();
    void withdrawnEvenWhileStillBeingPosted();
    void nothingAndNoErrorWithoutServer();

private:
    std::unique_ptr<FakeNotificationServer> m_server;
    std::unique_ptr<NotificationBridge> m_bridge;
    FreedesktopNotificationCenter *m_center = nullptr;
};

void TestNotificationBridge::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the test needs its private session bus");
    // Whatever goes wrong with notifications must stay quiet.
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void TestNotificationBridge::init()
{
    m_server = std::make_unique<FakeNotificationServer>();
    QVERIFY(m_server->start());
    auto center = std::make_unique<FreedesktopNotificationCenter>();
    m_center = center.get();
    m_bridge = std::make_unique<NotificationBridge>(std::move(center));
}

void TestNotificationBridge::cleanup()
{
    m_bridge.reset();
    m_server.reset();
}

void TestNotificationBridge::postsOnceWithTheRightTexts_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("markup"); // whether the server reads the body as markup
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("body"); // what the user reads
    QTest::newRow("plain") << u"2.1"_s << true << u"Version 2.1 is now available"_s
                           << u"Version 2.1 is now available"_s;
    QTest::newRow("markup-looking text")
        << u"<h1>FREE</h1> & %1"_s << true
        << u"Version &lt;h1&gt;FREE&lt;/h1&gt; &amp; %1 is now available"_s
        << u"Version <h1>FREE</h1> & %1 is now available"_s;
    QTest::newRow("markup-looking text, plain server")
        << u"<h1>FREE</h1> & %1"_s << false << u"Version <h1>FREE</h1> & %1 is now available"_s
        << u"Version <h1>FREE</h1> & %1 is now available"_s;
}

void TestNotificationBridge::postsOnceWithTheRightTexts()
{
    QFETCH(QString, version);
    QFETCH(bool, markup);
    QFETCH(QString, sent);
    QFETCH(QString, body);
    if (!markup)
        m_server->capabilities.removeAll(u"body-markup"_s);
    m_bridge->postUpdateNotification(version);
    QTRY_COMPARE(m_server->notifyCalls.size(), 1);
    QCOMPARE(m_server->notifyCalls.first().replacesId, 0u);
    QCOMPARE(m_server->shown.size(), 1);
    const FakeNotificationServer::Shown shown = m_server->shown.first();
    QCOMPARE(shown.summary, u"Update available"_s);
    QCOMPARE(shown.body, sent);
    QCOMPARE(shown.text, body);
    QCOMPARE(shown.hints.value(u"x-vantry-identifier"_s).toString(), u"VT_UPDATE"_s);
    QTRY_COMPARE(m_center->serverId(u"VT_UPDATE"_s), m_server->shown.firstKey());
}

void TestNotificationBridge::laterVersionReplacesTheEarlier()
{
    // The later ones come before the server has answered the first.
    m_bridge->postUpdateNotification(u"2.1"_s);
    m_bridge->postUpdateNotification(u"2.2"_s);
    m_bridge->postUpdateNotification(u"2.3"_s);
    QTRY_COMPARE(m_server->notifyCalls.size(), 2);
    QTRY_COMPARE(m_center->serverId(u"VT_UPDATE"_s), m_server->notifyCalls.last().answeredId);
    QCOMPARE(m_server->shown.size(), 1);
    QCOMPARE(m_server->shown.first().body, u"Version 2.3 is now available"_s);
    const quint32 shown = m_center->serverId(u"VT_UPDATE"_s);
    m_bridge->postUpdateNotification(u"2.4"_s);
    QTRY_COMPARE(m_server->notifyCalls.size(), 3);
    QCOMPARE(m_server->notifyCalls.last().replacesId, shown);
    QCOMPARE(m_server->shown.size(), 1);
}

void TestNotificationBridge::withdrawnWhenRemoved()
{
    m_bridge->postUpdateNotification(u"2.1"_s);
    QTRY_VERIFY(m_center->serverId(u"VT_UPDATE"_s) != 0);
    const quint32 id = m_center->serverId(u"VT_UPDATE"_s);
    m_bridge->removeUpdateNotifications();
    QTRY_COMPARE(m_server->closeCalls, QList<quint32> { id });
    QVERIFY(m_server->shown.isEmpty());
    QCOMPARE(m_center->serverId(u"VT_UPDATE"_s), 0u);

    // The next one is a new notification, not a replacement of the withdrawn one.
    m_bridge->postUpdateNotification(u"2.2"_s);
    QTRY_COMPARE(m_server->notifyCalls.size(), 2);
    QCOMPARE(m_server->notifyCalls.last().replacesId, 0u);
}

void TestNotificationBridge::withdrawnEvenWhileStillBeingPosted()
{
    m_bridge->postUpdateNotification(u"2.1"_s);
    m_bridge->removeUpdateNotifications();
    QTRY_COMPARE(m_server->closeCalls.size(), 1);
    QVERIFY(m_server->shown.isEmpty());
    QCOMPARE(m_server->notifyCalls.size(), 1);
}

void TestNotificationBridge::nothingAndNoErrorWithoutServer()
{
    std::optional<bool> granted;
    m_center->requestAuthorization([&](bool g) { granted = g; });
    QTRY_VERIFY(granted == true); // the server answers: granted
    m_server->stop();
    m_bridge->postUpdateNotification(u"2.1"_s);
    m_bridge->postUpdateNotification(u"2.2"_s);
    m_bridge->removeUpdateNotifications();
    m_bridge->requestNotificationAuthorization();
    granted.reset();
    m_center->requestAuthorization([&](bool g) { granted = g; });
    QTRY_VERIFY(granted.has_value());
    QVERIFY(!*granted);
    QVERIFY(m_server->notifyCalls.isEmpty());
    QCOMPARE(m_center->serverId(u"VT_UPDATE"_s), 0u);
}

QTEST_GUILESS_MAIN(TestNotificationBridge)
#include "tst_notificationbridge.moc"
