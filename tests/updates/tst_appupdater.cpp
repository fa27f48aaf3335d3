// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackFeedServer.h"
#include "UpdateFakes.h"

#include "platform/UserDefaults.h"
#include "updates/AppUpdater.h"
#include "updates/NotificationBridge.h"
#include "updates/SoftwareUpdater.h"
#include "updates/StandardUserDriver.h"
#include "updates/UpdaterController.h"
#include "updates/UpdaterDelegate.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Response = LoopbackFeedServer::Response;
using vantry::AppUpdater;
using vantry::SoftwareUpdater;

namespace {

QByteArray feedWith(const QByteArray &version)
{
    return "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<item><sparkle:version>"
        + version + "</sparkle:version><enclosure url=\"https://vantry.example/" + version
        + "\"/></item></channel></rss>";
}

} // namespace

// The application's side of update checks: which finds become a dialog and
// which a notification, and when the notification goes away again.
class TestAppUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void creationStartsTheUpdater();
    void reminderRule_data();
    void reminderRule();
    void laterVersionReplacesTheReminder();
    void turningToTheUpdateWithdrawsTheReminder();
    void finishedSessionWithdrawsTheReminder();
    void failedScheduledCheckKeepsTheReminder();
    void packagedBuildExplainsWhereUpdatesComeFrom();

private:
    void makeUpdater(bool selfUpdate = true);
    void serve(const QByteArray &version);
    void runCheck(bool userInitiated);

    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_defaults;
    std::unique_ptr<LoopbackFeedServer> m_server;
    std::unique_ptr<AppUpdater> m_updater;
    FakePresenter *m_presenter = nullptr;
    FakeNotificationCenter *m_center = nullptr;
    bool m_focus = false;
};

void TestAppUpdater::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(u"vantry.conf"_s));
    m_defaults = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    m_server = std::make_unique<LoopbackFeedServer>();
    QVERIFY(m_server->listen());
    m_focus = false;
}

void TestAppUpdater::cleanup()
{
    m_updater.reset();
    m_server.reset();
    m_defaults.reset();
}

void TestAppUpdater::makeUpdater(bool selfUpdate)
{
    vantry::UpdateEnvironment env;
    env.options.feedUrl = m_server->url(u"/appcast.xml"_s);
    env.options.currentVersion = u"1.0"_s;
    env.options.selfUpdateEnabled = selfUpdate;
    env.options.firstCheckDelay = 24h; // the tests run their checks themselves
    env.defaults = m_defaults.get();
    auto presenter = std::make_unique<FakePresenter>();
    m_presenter = presenter.get();
    env.presenter = std::move(presenter);
    env.urlOpener = std::make_unique<FakeUrlOpener>();
    auto center = std::make_unique<FakeNotificationCenter>();
    m_center = center.get();
    env.notificationCenter = std::move(center);
    env.immediateFocus = [this] { return m_focus; };
    m_updater = std::make_unique<AppUpdater>(std::move(env));
}

void TestAppUpdater::serve(const QByteArray &version)
{
    m_server->setResponse(u"/appcast.xml"_s, Response::ok(feedWith(version)));
}

void TestAppUpdater::runCheck(bool userInitiated)
{
    SoftwareUpdater &updater = m_updater->updaterController().updater();
    QSignalSpy finished(&updater, &SoftwareUpdater::checkFinished);
    if (userInitiated)
        updater.checkForUpdates();
    else
        updater.checkForUpdatesInBackground();
    QVERIFY(finished.wait(5000));
}

void TestAppUpdater::creationStartsTheUpdater()
{
    makeUpdater();
    QVERIFY(m_updater->updaterController().updater().isStarted());
    QVERIFY(m_updater->updaterController().updater().nextCheckDate().isValid());
    QCOMPARE(m_updater->delegate().updaterController.data(), &m_updater->updaterController());
    QVERIFY(m_updater->delegate().supportsGentleScheduledUpdateReminders());
    // Scheduling a check asks whether notifications can be shown.
    QCOMPARE(m_center->authorizationRequests, 1);
    QVERIFY(m_center->added.isEmpty());
}

void TestAppUpdater::reminderRule_data()
{
    QTest::addColumn<bool>("userInitiated");
    QTest::addColumn<bool>("immediateFocus");
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<bool>("notification");

    QTest::newRow("user check shows the dialog") << true << false << true << false;
    QTest::newRow("scheduled, in focus: dialog") << false << true << true << false;
    QTest::newRow("scheduled, not in focus: one notification") << false << false << false << true;
}

void TestAppUpdater::reminderRule()
{
    QFETCH(bool, userInitiated);
    QFETCH(bool, immediateFocus);
    QFETCH(bool, dialog);
    QFETCH(bool, notification);

    makeUpdater();
    m_focus = immediateFocus;
    serve("2.1");
    runCheck(userInitiated);

    QCOMPARE(!m_presenter->shown.isEmpty(), dialog);
    if (dialog)
        QCOMPARE(m_presenter->shown.first().kind, u"update"_s);
    QCOMPARE(m_center->added.size(), notification ? 1 : 0);
    if (notification) {
        const vantry::NotificationRequest &posted = m_center->added.first();
        QCOMPARE(posted.identifier, u"VT_UPDATE"_s);
        QCOMPARE(posted.title, u"Update available"_s);
        QCOMPARE(posted.body, u"Version 2.1 is now available"_s);
        QVERIFY(m_center->shown);
    }
}

void TestAppUpdater::laterVersionReplacesTheReminder()
{
    makeUpdater();
    serve("2.1");
    runCheck(false);
    serve("2.2");
    runCheck(false);
    QCOMPARE(m_center->added.size(), 2);
    QCOMPARE(m_center->added.last().identifier, m_center->added.first().identifier);
    QCOMPARE(m_center->shown->body, u"Version 2.2 is now available"_s);
}

void TestAppUpdater::turningToTheUpdateWithdrawsTheReminder()
{
    makeUpdater();
    serve("2.1");
    runCheck(false);
    QVERIFY(m_center->shown);
    runCheck(true); // "Check for Updates…" brings the update up
    QCOMPARE(m_presenter->shown.size(), 1);
    QVERIFY(!m_center->shown);
    QCOMPARE(m_center->removals.first(), QStringList { u"VT_UPDATE"_s });
}

void TestAppUpdater::finishedSessionWithdrawsTheReminder()
{
    makeUpdater();
    serve("2.1");
    runCheck(false);
    QVERIFY(m_center->shown);
    // The user asks, but the check fails: no update is shown, the session ends.
    m_server->setResponse(u"/appcast.xml"_s, Response::withStatus(500));
    runCheck(true);
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, u"error"_s);
    QVERIFY(!m_center->shown);
    QVERIFY(!m_updater->updaterController().userDriver().isReminderPending());
}

void TestAppUpdater::failedScheduledCheckKeepsTheReminder()
{
    makeUpdater();
    serve("2.1");
    runCheck(false);
    QVERIFY(m_center->shown);
    m_server->setResponse(u"/appcast.xml"_s, Response::withStatus(500));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Scheduled update check failed"_s));
    runCheck(false);
    QVERIFY(m_center->shown);
    QVERIFY(m_presenter->shown.isEmpty());
}

void TestAppUpdater::packagedBuildExplainsWhereUpdatesComeFrom()
{
    makeUpdater(false);
    QVERIFY(!m_updater->updaterController().updater().nextCheckDate().isValid());
    QCOMPARE(m_center->authorizationRequests, 0);
    m_updater->updaterController().updater().checkForUpdates();
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, u"packageManaged"_s);
    QCOMPARE(m_server->hits(u"/appcast.xml"_s), 0);
}

QTEST_MAIN(TestAppUpdater)
#include "tst_appupdater.moc"
