// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::SingleInstance;

namespace {
// Sends from another thread so this thread's event loop can answer.
std::optional<QByteArray> sendWhileServing(const QString &path, const QByteArray &request)
{
    auto reply
        = std::async(std::launch::async, [&] { return SingleInstance::send(path, request); });
    while (reply.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return reply.get();
}

// What a crashed instance leaves: a socket file that nobody listens on.
bool leaveDeadSocket(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"vantry.socket"_s); }

private Q_SLOTS:
    void socketLivesInTheRuntimeDirectory()
    {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QVERIFY(!runtime.isEmpty());
        QCOMPARE(SingleInstance::defaultSocketPath(), runtime + u"/app.vantry.Vantry.socket"_s);
    }

    void theSecondPeerReachesTheFirst()
    {
        SingleInstance first(path());
        QList<QByteArray> received;
        first.setHandler([&](const QByteArray &request) {
            received.append(request);
            return QByteArray("done");
        });
        QVERIFY(first.listen());

        SingleInstance second(path());
        QVERIFY(!second.listen());
        QVERIFY(first.isListening());

        QCOMPARE(sendWhileServing(path(), "toggle"), std::optional<QByteArray>("done"));
        QCOMPARE(sendWhileServing(path(), "toggle token-123"), std::optional<QByteArray>("done"));
        QCOMPARE(received, (QList<QByteArray> { "toggle", "toggle token-123" }));
    }

    void nobodyListeningMeansNoReply()
    {
        QCOMPARE(SingleInstance::send(path(), "toggle", 500), std::nullopt);
        QVERIFY(leaveDeadSocket(path()));
        QCOMPARE(SingleInstance::send(path(), "toggle", 500), std::nullopt);
        QFile::remove(path());
    }

    void aSocketLeftByADeadInstanceIsReplaced()
    {
        QVERIFY(leaveDeadSocket(path()));
        SingleInstance instance(path());
        instance.setHandler([](const QByteArray &) { return QByteArray("alive"); });
        QVERIFY(instance.listen());
        QCOMPARE(sendWhileServing(path(), "status"), std::optional<QByteArray>("alive"));
    }

    void theSocketGoesWithTheInstance()
    {
        {
            SingleInstance instance(path());
            QVERIFY(instance.listen());
            QVERIFY(QFile::exists(path()));
        }
        QVERIFY(!QFile::exists(path()));
        SingleInstance next(path());
        QVERIFY(next.listen());
    }

    void anOverlongPathIsRefusedNotTruncated()
    {
        const QString longPath = m_dir.filePath(QString(200, u'x'));
        QCOMPARE(SingleInstance::send(longPath, "toggle", 200), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
