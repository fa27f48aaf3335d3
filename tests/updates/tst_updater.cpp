// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UserDefaults.h"
#include "updates/AppUpdater.h"
#include "updates/FeedFetcher.h"
#include "updates/NotificationCenter.h"
#include "updates/SoftwareUpdater.h"
#include "updates/StandardUserDriver.h"
#include "updates/UpdatePresenter.h"
#include "updates/UpdaterController.h"
#include "updates/UrlOpener.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using vantry::SoftwareUpdater;

namespace {

// A minimal HTTP/1.0 server on 127.0.0.1, so the updater fetches its feed over a real socket
// without leaving the machine.
class LoopbackFeedServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body {};
        QByteArray location {}; // for redirects
        bool neverAnswer = false; // accept the request and stay silent
    };

    LoopbackFeedServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QUrl url(const QString &path) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }
    void setResponse(const QString &path, const Response &response)
    {
        m_responses.insert(path, response);
    }
    int hits(const QString &path) const { return m_hits.value(path); }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                if (!buffer->contains("\r\n\r\n"))
                    return;
                const QList<QByteArray> request = buffer->left(buffer->indexOf("\r\n")).split(' ');
                const QString path
                    = request.size() > 1 ? QString::fromLatin1(request[1]) : QString();
                ++m_hits[path];
                const Response response = m_responses.value(path, { .status = 404 });
                if (response.neverAnswer)
                    return;
                QByteArray head = "HTTP/1.0 " + QByteArray::number(response.status) + " Status\r\n";
                if (!response.location.isEmpty())
                    head += "Location: " + response.location + "\r\n";
                head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
                socket->write(head + "\r\n" + response.body);
                socket->disconnectFromHost();
            });
        }
    }

    QHash<QString, Response> m_responses;
    QHash<QString, int> m_hits;
    QTcpServer m_server;
};

// Records what the user would have seen.
class FakePresenter final : public vantry::UpdatePresenter
{
public:
    struct Shown
    {
        QString kind; // "upToDate", "update", "error", "packageManaged"
        QString text; // version or error description
    };

    void showChecking(std::function<void()> cancel) override
    {
        ++checking;
        this->cancel = std::move(cancel);
    }
    void showUpToDate(const QString &version) override { record(u"upToDate"_s, version); }
    void showUpdateAvailable(const vantry::AppcastItem &update, const QString &,
        std::function<void(Choice)> choose) override
    {
        record(u"update"_s, update.displayVersionString());
        this->choose = std::move(choose);
    }
    void showError(const QString &description) override { record(u"error"_s, description); }
    void showPackageManaged() override { record(u"packageManaged"_s, {}); }
    void record(const QString &kind, const QString &text)
    {
        shown.append({ kind, text });
        shownOn = QThread::currentThread();
    }

    QList<Shown> shown;
    QThread *shownOn = nullptr; // the thread the last outcome was shown on
    int checking = 0; // "a check is running" shown, before any outcome
    std::function<void()> cancel;
    std::function<void(Choice)> choose;
};

class FakeUrlOpener final : public vantry::UrlOpener
{
public:
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

// Stands in for the desktop's notification server: "VT_UPDATE" is shown or not.
class FakeNotificationCenter final : public vantry::NotificationCenter
{
public:
    void add(const vantry::NotificationRequest &request) override
    {
        added.append(request);
        shown = request;
    }
    void removeDelivered(const QStringList &identifiers) override
    {
        if (shown && identifiers.contains(shown->identifier))
            shown.reset();
    }
    void requestAuthorization(std::function<void(bool)>) override { }

    QList<vantry::NotificationRequest> added;
    std::optional<vantry::NotificationRequest> shown;
};

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

} // namespace

// The updater as the application builds it, against a feed served on loopback: checks by
// hand and on schedule, and whether a find becomes a dialog or a notification.
class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void userCheckShowsItsOutcome_data();
    void userCheckShowsItsOutcome();
    void checksOnScheduleFromTheLastCheck_data();
    void checksOnScheduleFromTheLastCheck();
    void choicesOpenTheRightAddress();
    void userCheckShowsItIsRunningAndCancelAbortsTheRequest();
    void theReminderLastsUntilTheUserChecks_data();
    void theReminderLastsUntilTheUserChecks();
    void aFloodingServerIsCutOffAtTheCap();

private:
    vantry::UpdateOptions optionsFor(const QString &path) const;
    void make(vantry::UpdateOptions options);
    void make() { make(optionsFor(u"/feed"_s)); }
    SoftwareUpdater &updater() { return m_app->updaterController().updater(); }
    void serve(const QByteArray &version, const QByteArray &shortVersion = {})
    {
        m_server->setResponse(u"/feed"_s, { .body = feedWith(version, shortVersion) });
    }
    void runCheck(bool userInitiated);

    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_defaults;
    std::unique_ptr<LoopbackFeedServer> m_server;
    std::unique_ptr<vantry::AppUpdater> m_app;
    FakePresenter *m_presenter = nullptr;
    FakeUrlOpener *m_opener = nullptr;
    FakeNotificationCenter *m_center = nullptr;
    QDateTime m_now;
    bool m_focus = false;
};

void TestUpdater::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(u"vantry.conf"_s));
    m_defaults = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    m_server = std::make_unique<LoopbackFeedServer>();
    QVERIFY(m_server->listen());
    m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    m_focus = false;
}

void TestUpdater::cleanup()
{
    m_app.reset();
    m_server.reset();
    m_defaults.reset();
}

vantry::UpdateOptions TestUpdater::optionsFor(const QString &path) const
{
    vantry::UpdateOptions options;
    options.feedUrl = m_server->url(path);
    options.currentVersion = u"1.0"_s;
    options.selfUpdateEnabled = true;
    options.timeout = 500ms;
    return options;
}

void TestUpdater::make(vantry::UpdateOptions options)
{
    vantry::UpdateEnvironment env;
    env.options = std::move(options);
    env.defaults = m_defaults.get();
    auto presenter = std::make_unique<FakePresenter>();
    m_presenter = presenter.get();
    env.presenter = std::move(presenter);
    auto opener = std::make_unique<FakeUrlOpener>();
    m_opener = opener.get();
    env.urlOpener = std::move(opener);
    auto center = std::make_unique<FakeNotificationCenter>();
    m_center = center.get();
    env.notificationCenter = std::move(center);
    env.immediateFocus = [this] { return m_focus; };
    env.clock = [this] { return m_now; };
    m_app = std::make_unique<vantry::AppUpdater>(std::move(env));
}

void TestUpdater::runCheck(bool userInitiated)
{
    QSignalSpy finished(&updater(), &SoftwareUpdater::checkFinished);
    if (userInitiated)
        updater().checkForUpdates();
    else
        updater().checkForUpdatesInBackground();
    QVERIFY(finished.wait(5000));
}

void TestUpdater::userCheckShowsItsOutcome_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text"); // version shown, or part of the error

    QTest::newRow("update available") << u"/newer"_s << u"update"_s << u"2.0"_s;
    QTest::newRow("up to date") << u"/same"_s << u"upToDate"_s << u"1.0"_s;
    QTest::newRow("redirect within HTTP followed") << u"/moved"_s << u"update"_s << u"2.0"_s;
    QTest::newRow("redirect to a remote HTTP host")
        << u"/to-remote"_s << u"error"_s << u"redirected to http://vantry.example"_s;
    QTest::newRow("redirect loop") << u"/loop"_s << u"error"_s << u"too many"_s;
    QTest::newRow("malformed") << u"/malformed"_s << u"error"_s << u"not well-formed"_s;
    QTest::newRow("not found") << u"/missing"_s << u"error"_s << u"status 404"_s;
    QTest::newRow("timeout, joining a scheduled check")
        << u"/silent"_s << u"error"_s << u"did not answer in time"_s;
    QTest::newRow("plain HTTP feed elsewhere") << QString() << u"error"_s << u"not allowed"_s;
    QTest::newRow("packaged build") << u"/newer"_s << u"packageManaged"_s << QString();
}

void TestUpdater::userCheckShowsItsOutcome()
{
    QFETCH(QString, path);
    QFETCH(QString, kind);
    QFETCH(QString, text);

    m_server->setResponse(u"/newer"_s, { .body = feedWith("2.0") });
    m_server->setResponse(u"/same"_s, { .body = feedWith("1.0") });
    m_server->setResponse(
        u"/moved"_s, { .status = 302, .location = m_server->url(u"/newer"_s).toEncoded() });
    m_server->setResponse(
        u"/to-remote"_s, { .status = 302, .location = "http://vantry.example/appcast.xml" });
    m_server->setResponse(u"/loop"_s, { .status = 302, .location = "/loop" });
    m_server->setResponse(u"/malformed"_s, { .body = "<rss><channel><item></channel></rss>" });
    m_server->setResponse(u"/silent"_s, { .neverAnswer = true });

    vantry::UpdateOptions options = optionsFor(path);
    if (path.isEmpty())
        options.feedUrl = QUrl(u"http://vantry.example/appcast.xml"_s);
    options.selfUpdateEnabled = kind != u"packageManaged";
    make(options);
    if (path == u"/silent")
        updater().checkForUpdatesInBackground(); // the user's check joins it
    updater().checkForUpdates();

    QTRY_COMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, kind);
    QVERIFY2(m_presenter->shown.first().text.contains(text),
        qPrintable(m_presenter->shown.first().text));
    // The feed is read off the UI thread; the outcome comes back to it.
    QCOMPARE(m_presenter->shownOn, QThread::currentThread());
    QVERIFY(m_opener->opened.isEmpty());
    if (!options.selfUpdateEnabled) {
        // Nor does a packaged build check on its own: its package manager brings updates.
        QVERIFY(!updater().nextCheckDate().isValid());
        updater().checkForUpdatesInBackground();
        QVERIFY(!updater().isChecking());
        QCOMPARE(m_server->hits(path), 0);
    }
}

void TestUpdater::checksOnScheduleFromTheLastCheck_data()
{
    QTest::addColumn<qint64>("lastCheckAgoSecs"); // -1: never checked
    QTest::addColumn<qint64>("expectedDelaySecs");

    QTest::newRow("never checked waits a little") << qint64(-1) << qint64(60);
    QTest::newRow("checked an hour ago") << qint64(3600) << qint64(23 * 3600);
    QTest::newRow("last check in the future") << qint64(-3600) << qint64(24 * 3600);
}

void TestUpdater::checksOnScheduleFromTheLastCheck()
{
    QFETCH(qint64, lastCheckAgoSecs);
    QFETCH(qint64, expectedDelaySecs);
    if (lastCheckAgoSecs != -1) {
        m_defaults->setValue(u"updates.lastCheckTime"_s,
            m_now.addSecs(-lastCheckAgoSecs).toString(Qt::ISODateWithMs));
    }
    serve("1.0");
    vantry::UpdateOptions options = optionsFor(u"/feed"_s);
    options.maximumTimerWait = 20ms;
    make(options);
    QSignalSpy finished(&updater(), &SoftwareUpdater::checkFinished);

    QCOMPARE(updater().nextCheckDate(), m_now.addSecs(expectedDelaySecs));
    QCoreApplication::processEvents();
    QVERIFY(!updater().isChecking()); // no check at start

    // The timer wakes up now and then and consults the clock, so a check also
    // comes due across a suspend, when the timer itself stood still.
    m_now = m_now.addSecs(expectedDelaySecs);
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_server->hits(u"/feed"_s), 1);
    QVERIFY(m_presenter->shown.isEmpty()); // nothing new, nothing shown
    QCOMPARE(updater().lastUpdateCheckDate(), m_now);
    QCOMPARE(updater().nextCheckDate(), m_now.addSecs(24 * 3600));
}

void TestUpdater::choicesOpenTheRightAddress()
{
    serve("200", "2.0");
    make();
    runCheck(true);
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().text, u"2.0"_s);
    QVERIFY(m_presenter->choose);

    m_presenter->choose(vantry::UpdatePresenter::Choice::ReleaseNotes);
    QCOMPARE(m_opener->opened, QList<QUrl> { QUrl(u"https://vantry.example/notes/200"_s) });
    m_presenter->choose(vantry::UpdatePresenter::Choice::Download);
    QCOMPARE(m_opener->opened.last(), QUrl(u"https://vantry.example/Vantry-200.tar.gz"_s));

    runCheck(true);
    m_presenter->choose(vantry::UpdatePresenter::Choice::Later);
    QCOMPARE(m_opener->opened.size(), 2);
}

void TestUpdater::userCheckShowsItIsRunningAndCancelAbortsTheRequest()
{
    m_server->setResponse(u"/feed"_s, { .neverAnswer = true });
    vantry::UpdateOptions options = optionsFor(u"/feed"_s);
    options.timeout = 2s;
    make(options);
    QSignalSpy finished(&updater(), &SoftwareUpdater::checkFinished);
    updater().checkForUpdates();
    QCOMPARE(m_presenter->checking, 1);
    QVERIFY(m_presenter->cancel);
    QTRY_COMPARE(m_server->hits(u"/feed"_s), 1);

    m_presenter->cancel();
    // No outcome follows, not even the timeout's.
    QVERIFY(!finished.wait(3000));
    QVERIFY(m_presenter->shown.isEmpty());
    // The attempt counts for the schedule, so no check starts again at once.
    QCOMPARE(updater().lastUpdateCheckDate(), m_now);
    QCOMPARE(updater().nextCheckDate(), m_now.addSecs(24 * 3600));
}

void TestUpdater::theReminderLastsUntilTheUserChecks_data()
{
    QTest::addColumn<bool>("userCheckFails");
    QTest::newRow("the check brings the update up") << false;
    QTest::newRow("the check fails") << true;
}

// A scheduled find waits in a notification unless the user is at the app right now.
void TestUpdater::theReminderLastsUntilTheUserChecks()
{
    QFETCH(bool, userCheckFails);
    make();
    serve("2.1");
    runCheck(false);
    serve("2.2");
    runCheck(false); // a later version takes the earlier one's place
    QCOMPARE(m_center->added.size(), 2);
    QCOMPARE(m_center->shown->body, u"Version 2.2 is now available"_s);
    m_server->setResponse(u"/feed"_s, { .status = 500 });
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Scheduled update check failed"_s));
    runCheck(false); // a failed scheduled check leaves it
    QVERIFY(m_center->shown);
    QVERIFY(m_presenter->shown.isEmpty());

    // "Check for Updates…" ends it, whatever it finds.
    if (!userCheckFails)
        serve("2.2");
    runCheck(true);
    QCOMPARE(m_presenter->shown.size(), 1);
    QCOMPARE(m_presenter->shown.first().kind, userCheckFails ? u"error"_s : u"update"_s);
    QVERIFY(!m_center->shown);

    // With the user at the app right now, a scheduled find is shown at once instead.
    m_focus = true;
    serve("2.3");
    runCheck(false);
    QCOMPARE(m_presenter->shown.size(), 2);
    QCOMPARE(m_presenter->shown.last().kind, u"update"_s);
    QCOMPARE(m_center->added.size(), 2);
}

void TestUpdater::aFloodingServerIsCutOffAtTheCap()
{
    // An endless feed, sent from a thread of its own as fast as the client takes it; the
    // listening socket is accepted on there, not by this thread's event loop.
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    listener.pauseAccepting();
    ::fcntl(listener.socketDescriptor(), F_SETFL, 0); // a blocking accept
    std::atomic<qint64> sent = 0;
    std::atomic<bool> accepted = false;
    QSemaphore go;
    std::thread flood([&] {
        const int peer = ::accept(listener.socketDescriptor(), nullptr, nullptr);
        char request[1024];
        (void)!::recv(peer, request, sizeof(request), 0);
        accepted = true;
        go.acquire();
        const QByteArray chunk = "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(64 * 1024, ' ');
        for (ssize_t n = 0; n >= 0; n = ::send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL))
            sent += n;
        ::close(peer);
    });
    const auto stop = qScopeGuard([&] {
        ::shutdown(
            listener.socketDescriptor(), SHUT_RDWR); // ends a wait for a client that never came
        go.release();
        flood.join();
    });
    vantry::FeedFetcher fetcher;
    QSignalSpy failed(&fetcher, &vantry::FeedFetcher::failed);
    fetcher.fetch(QUrl(u"http://127.0.0.1:%1/feed"_s.arg(listener.serverPort())));
    QTRY_VERIFY(accepted);
    // However long this thread is busy, the network thread buffers no more than it may.
    go.release();
    QDeadlineTimer busy(2000);
    while (sent < 64 * 1024 * 1024 && !busy.hasExpired())
        QThread::msleep(10);
    QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
    QVERIFY(failed.first().first().toString().contains(u"larger than"_s));
    QCOMPARE_LT(sent.load(), 32 * 1024 * 1024);
}

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
