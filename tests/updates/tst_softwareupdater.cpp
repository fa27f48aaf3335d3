// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackFeedServer.h"
#include "UpdateFakes.h"

#include "platform/UserDefaults.h"
#include "updates/FeedFetcher.h"
#include "updates/MessageBoxUpdatePresenter.h"
#include "updates/SoftwareUpdater.h"
#include "updates/SoftwareUpdaterDelegate.h"
#include "updates/StandardUserDriver.h"
#include "updates/UpdaterController.h"

#include <QApplication>
#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Response = LoopbackFeedServer::Response;
using vantry::SoftwareUpdater;
using vantry::UpdateEnvironment;
using vantry::UpdaterController;

namespace {

QByteArray feedWith(const QByteArray &version, const QByteArray &shortVersion = {})
{
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<item><sparkle:version>"
        + version + "</sparkle:version><sparkle:shortVersionString>"
        + (shortVersion.isEmpty() ? version : shortVersion)
        + "</sparkle:shortVersionString><sparkle:releaseNotesLink>https://vantry.example/notes/"
        + version + "</sparkle:releaseNotesLink><enclosure url=\"https://vantry.example/Vantry-"
        + version + ".tar.gz\" length=\"10\"/></item></channel></rss>";
}

class RecordingDelegate final : public vantry::SoftwareUpdaterDelegate
{
public:
    void willScheduleUpdateCheckAfterDelay(std::chrono::milliseconds delay) override
    {
        delays.append(delay);
    }
    void willFinishUpdateSession() override { ++finished; }
    QList<std::chrono::milliseconds> delays;
    int finished = 0;
};

} // namespace

class TestSoftwareUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void userCheckShowsItsOutcome_data();
    void userCheckShowsItsOutcome();
    void scheduledCheckFailureIsOnlyLogged();
    void schedulesFromTheLastCheck_data();
    void schedulesFromTheLastCheck();
    void dueCheckRunsAndIsRecorded();
    void choicesOpenTheRightAddress();
    void userCheckDuringScheduledCheckAnswersTheUser();
    void feedIsReadOffTheUiThread();
    void packagedBuildNeverChecks();
    void userCheckShowsItIsRunningAndCancelAbortsTheRequest();
    void progressWindowAppearsBeforeASlowServerAnswers();

private:
    std::unique_ptr<UpdaterController> makeController(bool start, vantry::UpdateOptions options);

    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_defaults;
    std::unique_ptr<LoopbackFeedServer> m_server;
    FakePresenter *m_presenter = nullptr;
    FakeUrlOpener *m_opener = nullptr;
    RecordingDelegate m_delegate;
    QDateTime m_now;
    QThreadPool *m_parserPool = nullptr;
};

void TestSoftwareUpdater::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(u"vantry.conf"_s));
    m_defaults = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    m_server = std::make_unique<LoopbackFeedServer>();
    QVERIFY(m_server->listen());
    m_delegate = RecordingDelegate();
    m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
}

void TestSoftwareUpdater::cleanup()
{
    m_server.reset();
    m_defaults.reset();
}

std::unique_ptr<UpdaterController> TestSoftwareUpdater::makeController(
    bool start, vantry::UpdateOptions options)
{
    UpdateEnvironment env;
    env.options = std::move(options);
    env.defaults = m_defaults.get();
    auto presenter = std::make_unique<FakePresenter>();
    m_presenter = presenter.get();
    env.presenter = std::move(presenter);
    auto opener = std::make_unique<FakeUrlOpener>();
    m_opener = opener.get();
    env.urlOpener = std::move(opener);
    env.clock = [this] { return m_now; };
    env.parserPool = m_parserPool;
    return std::make_unique<UpdaterController>(start, &m_delegate, env);
}

static vantry::UpdateOptions optionsFor(const QUrl &feed)
{
    vantry::UpdateOptions options;
    options.feedUrl = feed;
    options.currentVersion = u"1.0"_s;
    options.selfUpdateEnabled = true;
    options.timeout = 500ms;
    return options;
}

void TestSoftwareUpdater::userCheckShowsItsOutcome_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text"); // version shown, or part of the error

    QTest::newRow("update available") << u"/newer"_s << u"update"_s << u"2.0"_s;
    QTest::newRow("up to date") << u"/same"_s << u"upToDate"_s << u"1.0"_s;
    QTest::newRow("redirect within HTTP followed") << u"/moved"_s << u"update"_s << u"2.0"_s;
    QTest::newRow("redirect to another scheme")
        << u"/to-https"_s << u"error"_s << u"redirected to https://"_s;
    QTest::newRow("redirect to a remote HTTP host")
        << u"/to-remote"_s << u"error"_s << u"redirected to http://vantry.example"_s;
    QTest::newRow("redirect loop") << u"/loop"_s << u"error"_s << u"too many"_s;
    QTest::newRow("declared oversize") << u"/big-declared"_s << u"error"_s << u"larger than"_s;
    QTest::newRow("streamed oversize") << u"/big-streamed"_s << u"error"_s << u"larger than"_s;
    QTest::newRow("malformed") << u"/malformed"_s << u"error"_s << u"not well-formed"_s;
    QTest::newRow("not found") << u"/missing"_s << u"error"_s << u"status 404"_s;
    QTest::newRow("timeout") << u"/silent"_s << u"error"_s << u"did not answer in time"_s;
    QTest::newRow("plain HTTP feed elsewhere") << QString() << u"error"_s << u"not allowed"_s;
}

void TestSoftwareUpdater::userCheckShowsItsOutcome()
{
    QFETCH(QString, path);
    QFETCH(QString, kind);
    QFETCH(QString, text);

    m_server->setResponse(u"/newer"_s, Response::ok(feedWith("2.0")));
    m_server->setResponse(u"/same"_s, Response::ok(feedWith("1.0")));
    m_server->setResponse(
        u"/moved"_s, Response::withStatus(302, m_server->url(u"/newer"_s).toEncoded()));
    m_server->setResponse(u"/to-https"_s,
        Response::withStatus(301,
            "https://127.0.0.1:" + QByteArray::number(m_server->url(u"/"_s).port()) + "/newer"));
    m_server->setResponse(
        u"/to-remote"_s, Response::withStatus(302, "http://vantry.example/appcast.xml"));
    m_server->setResponse(u"/loop"_s, Response::withStatus(302, "/loop"));
    Response declared = Response::ok("<rss/>");
    declared.declaredLength = 5 * 1024 * 1024;
    m_server->setResponse(u"/big-declared"_s, declared);
    Response streamed = Response::ok(feedWith("2.0") + QByteArray(2 * 1024 * 1024, ' '));
    streamed.declareLength = false;
    m_server->setResponse(u"/big-streamed"_s, streamed);
    m_server->setResponse(u"/malformed"_s, Response::ok("<rss><channel><item></channel></rss>"));
    Response silent;
    silent.neverAnswer = true;
    m_server->setResponse(u"/silent"_s, silent);

    const QUrl feed
        = path.isEmpty() ? QUrl(u"http://vantry.example/appcast.xml"_s) : m_server->url(path);
    auto controller = makeController(false, optionsFor(feed));
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    controller->updater().checkForUpdates();
    QVERIFY(finished.wait(5000));

    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, kind);
    QVERIFY2(m_presenter->shown.first().text.contains(text),
        qPrintable(m_presenter->shown.first().text));
    QVERIFY(m_opener->opened.isEmpty());
    QVERIFY(!controller->updater().isChecking());
    if (path == u"/to-https" || path == u"/to-remote")
        QCOMPARE(m_server->hits(u"/newer"_s), 0);
}

void TestSoftwareUpdater::scheduledCheckFailureIsOnlyLogged()
{
    m_server->setResponse(u"/malformed"_s, Response::ok("<rss><channel>"));
    auto controller = makeController(false, optionsFor(m_server->url(u"/malformed"_s)));
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(u"Scheduled update check failed: .*well-formed"_s));
    controller->updater().checkForUpdatesInBackground();
    QVERIFY(finished.wait(5000));
    QVERIFY(m_presenter->shown.isEmpty());
    QCOMPARE(m_delegate.finished, 1);
}

void TestSoftwareUpdater::schedulesFromTheLastCheck_data()
{
    QTest::addColumn<qint64>("lastCheckAgoSecs"); // -1: never checked
    QTest::addColumn<qint64>("expectedDelaySecs");

    QTest::newRow("never checked waits a little") << qint64(-1) << qint64(60);
    QTest::newRow("checked an hour ago") << qint64(3600) << qint64(23 * 3600);
    QTest::newRow("checked 23 hours ago") << qint64(23 * 3600) << qint64(3600);
    QTest::newRow("last check in the future") << qint64(-3600) << qint64(24 * 3600);
}

void TestSoftwareUpdater::schedulesFromTheLastCheck()
{
    QFETCH(qint64, lastCheckAgoSecs);
    QFETCH(qint64, expectedDelaySecs);
    if (lastCheckAgoSecs != -1) {
        m_defaults->setValue(u"updates.lastCheckTime"_s,
            m_now.addSecs(-lastCheckAgoSecs).toString(Qt::ISODateWithMs));
    }
    m_server->setResponse(u"/feed"_s, Response::ok(feedWith("2.0")));
    auto controller = makeController(true, optionsFor(m_server->url(u"/feed"_s)));

    QVERIFY(controller->updater().isStarted());
    QCOMPARE(controller->updater().nextCheckDate(), m_now.addSecs(expectedDelaySecs));
    QCOMPARE(m_delegate.delays,
        QList<std::chrono::milliseconds> { std::chrono::seconds(expectedDelaySecs) });
    QCoreApplication::processEvents();
    QCOMPARE(m_server->hits(u"/feed"_s), 0);
    QVERIFY(!controller->updater().isChecking());
}

void TestSoftwareUpdater::dueCheckRunsAndIsRecorded()
{
    m_defaults->setValue(
        u"updates.lastCheckTime"_s, m_now.addSecs(-25 * 3600).toString(Qt::ISODateWithMs));
    m_server->setResponse(u"/feed"_s, Response::ok(feedWith("1.0")));
    vantry::UpdateOptions options = optionsFor(m_server->url(u"/feed"_s));
    options.maximumTimerWait = 20ms;
    auto controller = makeController(true, options);
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    QVERIFY(finished.wait(5000));

    QCOMPARE(m_server->hits(u"/feed"_s), 1);
    QVERIFY(m_presenter->shown.isEmpty()); // nothing new, nothing shown
    QCOMPARE(controller->updater().lastUpdateCheckDate(), m_now);
    QCOMPARE(controller->updater().nextCheckDate(), m_now.addSecs(24 * 3600));
    QCOMPARE(m_delegate.delays.size(), 2);
    QCOMPARE(m_delegate.delays.last(), std::chrono::milliseconds(24h));

    // The timer wakes up now and then and consults the clock, so a check also
    // comes due across a suspend, when the timer itself stood still.
    m_now = m_now.addSecs(24 * 3600);
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_server->hits(u"/feed"_s), 2);
    QCOMPARE(controller->updater().lastUpdateCheckDate(), m_now);
}

void TestSoftwareUpdater::choicesOpenTheRightAddress()
{
    m_server->setResponse(u"/feed"_s, Response::ok(feedWith("200", "2.0")));
    auto controller = makeController(false, optionsFor(m_server->url(u"/feed"_s)));
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    controller->updater().checkForUpdates();
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().text, u"2.0"_s);
    QVERIFY(m_presenter->choose);

    m_presenter->choose(vantry::UpdatePresenter::Choice::ReleaseNotes);
    QCOMPARE(m_opener->opened, QList<QUrl> { QUrl(u"https://vantry.example/notes/200"_s) });
    QCOMPARE(m_delegate.finished, 0); // the dialog is still open
    m_presenter->choose(vantry::UpdatePresenter::Choice::Download);
    QCOMPARE(m_opener->opened.last(), QUrl(u"https://vantry.example/Vantry-200.tar.gz"_s));
    QCOMPARE(m_delegate.finished, 1);

    controller->updater().checkForUpdates();
    QVERIFY(finished.wait(5000));
    m_presenter->choose(vantry::UpdatePresenter::Choice::Later);
    QCOMPARE(m_opener->opened.size(), 2);
    QCOMPARE(m_delegate.finished, 2);
}

void TestSoftwareUpdater::userCheckDuringScheduledCheckAnswersTheUser()
{
    Response silent;
    silent.neverAnswer = true;
    m_server->setResponse(u"/slow"_s, silent);
    auto controller = makeController(false, optionsFor(m_server->url(u"/slow"_s)));
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    controller->updater().checkForUpdatesInBackground();
    QVERIFY(controller->updater().isChecking());
    controller->updater().checkForUpdates(); // joins the running check
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, u"error"_s);
}

void TestSoftwareUpdater::feedIsReadOffTheUiThread()
{
    // A pool whose one thread is busy: the feed can only be read once it is let go.
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    QSemaphore release;
    pool.start([&release] { release.acquire(); });
    m_parserPool = &pool;
    const auto restore = qScopeGuard([&] {
        release.release();
        pool.waitForDone();
        m_parserPool = nullptr;
    });

    m_server->setResponse(u"/newer"_s, Response::ok(feedWith("2.0")));
    auto controller = makeController(false, optionsFor(m_server->url(u"/newer"_s)));
    auto *fetcher = controller->updater().findChild<vantry::FeedFetcher *>();
    QVERIFY(fetcher);
    QSignalSpy downloaded(fetcher, &vantry::FeedFetcher::finished);
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    controller->updater().checkForUpdates();
    QVERIFY(downloaded.wait(5000));
    // The updater heard of the download first; it handed the feed to the pool.
    QVERIFY(m_presenter->shown.isEmpty());
    QVERIFY(controller->updater().isChecking());
    controller->updater().checkForUpdates(); // no second check meanwhile
    QCOMPARE(m_server->hits(u"/newer"_s), 1);

    release.release();
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().text, u"2.0"_s);
    QCOMPARE(m_presenter->shownOn, QThread::currentThread());
    QVERIFY(!controller->updater().isChecking());
}

void TestSoftwareUpdater::packagedBuildNeverChecks()
{
    m_server->setResponse(u"/feed"_s, Response::ok(feedWith("2.0")));
    vantry::UpdateOptions options = optionsFor(m_server->url(u"/feed"_s));
    options.selfUpdateEnabled = false;
    auto controller = makeController(true, options);
    QVERIFY(!controller->updater().nextCheckDate().isValid());
    QVERIFY(m_delegate.delays.isEmpty());

    controller->updater().checkForUpdates();
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, u"packageManaged"_s);
    controller->updater().checkForUpdatesInBackground();
    QVERIFY(!controller->updater().isChecking());
    QCOMPARE(m_server->hits(u"/feed"_s), 0);
}

void TestSoftwareUpdater::userCheckShowsItIsRunningAndCancelAbortsTheRequest()
{
    Response silent;
    silent.neverAnswer = true;
    m_server->setResponse(u"/slow"_s, silent);
    vantry::UpdateOptions options = optionsFor(m_server->url(u"/slow"_s));
    options.timeout = 2s;
    auto controller = makeController(true, options);
    QSignalSpy finished(&controller->updater(), &SoftwareUpdater::checkFinished);
    controller->updater().checkForUpdates();
    QCOMPARE(m_presenter->checking, 1);
    QVERIFY(m_presenter->cancel);
    QTRY_COMPARE(m_server->hits(u"/slow"_s), 1);

    m_presenter->cancel();
    QVERIFY(!controller->updater().isChecking());
    // The request is aborted, not left to time out.
    QTRY_COMPARE(m_server->abandoned(u"/slow"_s), 1);
    // No outcome follows, not even the timeout's.
    QVERIFY(!finished.wait(3000));
    QVERIFY(m_presenter->shown.isEmpty());
    // The attempt counts for the schedule, so no check starts again at once.
    QCOMPARE(controller->updater().lastUpdateCheckDate(), m_now);
    QCOMPARE(controller->updater().nextCheckDate(), m_now.addSecs(24 * 3600));
    // A cancel that comes late (the window outlived the check) does nothing.
    m_presenter->cancel();
    QCOMPARE(m_server->hits(u"/slow"_s), 1);
}

void TestSoftwareUpdater::progressWindowAppearsBeforeASlowServerAnswers()
{
    Response silent;
    silent.neverAnswer = true;
    m_server->setResponse(u"/slow"_s, silent);
    UpdateEnvironment env;
    env.options = optionsFor(m_server->url(u"/slow"_s));
    env.options.timeout = 30s;
    env.defaults = m_defaults.get();
    auto presenter = std::make_unique<vantry::MessageBoxUpdatePresenter>();
    vantry::MessageBoxUpdatePresenter *window = presenter.get();
    env.presenter = std::move(presenter);
    env.urlOpener = std::make_unique<FakeUrlOpener>();
    env.clock = [this] { return m_now; };
    UpdaterController controller(false, &m_delegate, env);

    controller.updater().checkForUpdates();
    QPointer<QDialog> dialog = window->currentDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->findChild<QProgressBar *>());
    QTRY_COMPARE(m_server->hits(u"/slow"_s), 1);
    QVERIFY(controller.updater().isChecking());

    QPushButton *cancel = nullptr;
    for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
        if (b->text().remove(u'&') == u"Cancel")
            cancel = b;
    }
    QVERIFY(cancel);
    cancel->click();
    QVERIFY(!controller.updater().isChecking());
    QTRY_COMPARE(m_server->abandoned(u"/slow"_s), 1);
    QTRY_VERIFY(!dialog);
}

QTEST_MAIN(TestSoftwareUpdater)
#include "tst_softwareupdater.moc"
