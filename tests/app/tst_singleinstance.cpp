// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <grp.h>
#include <pwd.h>
#include <semaphore>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::SingleInstance;
using Outcome = SingleInstance::Outcome;
using Listen = SingleInstance::Listen;

namespace {
// Sends from another thread so this thread's event loop can answer.
SingleInstance::Reply sendWhileServing(const QString &path, const QByteArray &request)
{
    auto reply
        = std::async(std::launch::async, [&] { return SingleInstance::send(path, request); });
    while (reply.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return reply.get();
}

sockaddr_un addressOf(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    return address;
}

// What a crashed instance leaves: a socket file that nobody listens on.
bool leaveDeadSocket(const QString &path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound
        = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

// Runs body in a child process as the unprivileged user "nobody", whose exit status is
// body's result. Needs root.
template<typename Body>
pid_t forkAsNobody(Body body)
{
    const passwd *nobody = ::getpwnam("nobody");
    const pid_t child = nobody ? ::fork() : -1;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0
            || ::setuid(nobody->pw_uid) != 0)
            ::_exit(90);
        ::_exit(body());
    }
    return child;
}

// The child's exit status; the event loop keeps turning meanwhile.
int exitStatusOf(pid_t child)
{
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, WNOHANG) == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// What a launch sends and how the running instance takes it. The options a user types are
// driven end to end (tests/e2e/test_cli.py); here what no launch there passes.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"vantry.socket"_s); }

private Q_SLOTS:
    // Qt's display options are Qt's, not stray arguments; the launcher's activation travels
    // with the request, encoded, as a newline would end it.
    void theLaunchersActivationTravelsWithTheRequest()
    {
        vantry::CommandLine commandLine;
        QCOMPARE(commandLine.parse({ u"vantry"_s, u"-platform"_s, u"xcb"_s, u"--display=:1"_s,
                     u"-reverse"_s, u"--show"_s }),
            vantry::CommandLine::Result::run);
        const QByteArray token = "kwin-1 2=3";
        const QByteArray startupId = "launcher-42_TIME1234\nquit";
        const QByteArray line = commandLine.request(token, startupId);
        QVERIFY(!line.contains('\n'));
        const vantry::Request request = vantry::Request::parse(line);
        QCOMPARE(request.command, QByteArray("show"));
        QCOMPARE(request.activationToken, token);
        QCOMPARE(request.startupId, startupId);
    }

    void theSocketLivesInAPrivateFolder()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QString fallback = QDir::tempPath() + u"/runtime-"_s
            + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);

        // Without XDG_RUNTIME_DIR, or with one open to others, a folder of our own in the
        // temporary folder, never a name in the shared one.
        QTemporaryDir open;
        QVERIFY(QFile::setPermissions(open.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                | QFileDevice::ReadOther | QFileDevice::ExeOther));
        for (const QByteArray &value : { QByteArray(), QFile::encodeName(open.path()) }) {
            if (value.isEmpty())
                qunsetenv("XDG_RUNTIME_DIR");
            else
                qputenv("XDG_RUNTIME_DIR", value);
            QCOMPARE(SingleInstance::runtimeDirectory(), fallback);
            struct stat st
            {
            };
            QCOMPARE(::lstat(QFile::encodeName(fallback).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0700u);
            QCOMPARE(st.st_uid, ::geteuid());
        }

        // A fallback folder made by someone else is refused, not used.
        QVERIFY(QDir(fallback).removeRecursively());
        const QByteArray bytes = QFile::encodeName(fallback);
        QVERIFY(::mkdir(bytes.constData(), 0700) == 0);
        if (::geteuid() == 0) {
            QVERIFY(::chown(bytes.constData(), ::getpwnam("nobody")->pw_uid, 0) == 0);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"No private runtime folder"_s));
            QCOMPARE(SingleInstance::defaultSocketPath(), QString());
        }
        // Ours but open to others: closed again.
        QVERIFY(::chown(bytes.constData(), ::geteuid(), ::getegid()) == 0 || ::geteuid() != 0);
        QVERIFY(::chmod(bytes.constData(), 0777) == 0);
        QCOMPARE(SingleInstance::runtimeDirectory(), fallback);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }

    void aBusyInstanceAcknowledgesAtOnceAndActsOncePerRequest()
    {
        SingleInstance instance(path());
        instance.setAcknowledgedAtOnce({ "toggle" });
        std::counting_semaphore<4> release(0);
        QList<QByteArray> handled;
        instance.setHandler([&](const QByteArray &request) {
            handled.append(request);
            // The first toggle keeps the main thread busy until both launches had their answer.
            if (handled.size() == 1)
                release.acquire();
            return QByteArray("late");
        });
        QCOMPARE(instance.listen(), Listen::listening);

        auto launches = std::async(std::launch::async, [&] {
            QList<SingleInstance::Reply> replies;
            replies.append(SingleInstance::send(path(), "toggle", 20000));
            replies.append(SingleInstance::send(path(), "toggle second", 20000));
            release.release();
            return replies;
        });
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, 30000);
        const QList<SingleInstance::Reply> replies = launches.get();
        for (const auto &reply : replies) {
            QCOMPARE(reply.outcome, Outcome::answered);
            QCOMPARE(reply.text, QByteArray("ok"));
        }
        QCOMPARE(handled, (QList<QByteArray> { "toggle", "toggle second" }));
    }

    // Launches against a file where the socket belongs are driven end to end
    // (tests/e2e/test_cli.py); a launch racing another only here.
    void onlyACrashedInstancesSocketIsTakenOver()
    {
        QFile::remove(path());
        QVERIFY(leaveDeadSocket(path()));
        SingleInstance instance(path());
        QCOMPARE(instance.listen(), Listen::listening);
        // A launch that raced past its send finds this one live and stays out.
        QCOMPARE(SingleInstance(path()).listen(), Listen::otherInstance);
    }

    // Only our own user's launches are answered, should the socket ever be open to others.
    // (Its folder is ours alone, so another user's socket never stands at our path.)
    void anotherUsersRequestsAreRefused()
    {
        if (::geteuid() != 0)
            QSKIP("acting as another user needs root");
        // A folder under /tmp that the user nobody may enter.
        QTemporaryDir folder(u"/tmp/vantry-peer.XXXXXX"_s);
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0755) == 0);
        const QString socket = folder.filePath(u"vantry.socket"_s);
        SingleInstance ours(socket);
        ours.setAcknowledgedAtOnce({ "toggle" });
        int handled = 0;
        ours.setHandler([&](const QByteArray &) {
            ++handled;
            return QByteArray("ok");
        });
        QCOMPARE(ours.listen(), Listen::listening);

        // 0: refused, 1: answered, 2: could not even try.
        QVERIFY(::chmod(QFile::encodeName(socket).constData(), 0777) == 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"another user"_s));
        const sockaddr_un address = addressOf(socket);
        const int status = exitStatusOf(forkAsNobody([&address] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
                return 2;
            if (::send(fd, "toggle\n", 7, MSG_NOSIGNAL) != 7)
                return 0;
            char byte = 0;
            return ::recv(fd, &byte, 1, 0) > 0 ? 1 : 0;
        }));
        QCOMPARE(status, 0);
        // Our own requests still get through, and only they reached the handler.
        QCOMPARE(sendWhileServing(socket, "toggle").text, QByteArray("ok"));
        QTRY_COMPARE(handled, 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
