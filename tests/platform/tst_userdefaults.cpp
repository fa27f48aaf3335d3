// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::UserDefaults;

namespace {

// Opening a FIFO for reading waits for a writer. Should that ever happen, a
// writer turns up after a while, so the test fails instead of hanging.
class FifoWatchdog
{
public:
    explicit FifoWatchdog(const QString &path)
        : m_path(QFile::encodeName(path))
        , m_thread([this] { run(); })
    { }
    ~FifoWatchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    bool hadToStepIn() const { return m_steppedIn; }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_stop; }))
            return;
        m_steppedIn = true;
        while (!m_stop) {
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_stop; });
        }
    }

    QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_steppedIn = false;
    std::thread m_thread;
};

bool isFifo(const QString &path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

QString permissionDenied()
{
    return QString::fromLocal8Bit(::strerror(EACCES));
}

// Permission bits mean nothing to root; CTest runs this test as nobody.
bool unprivileged()
{
    return ::geteuid() != 0;
}

} // namespace

class TestUserDefaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"vantry.conf"_s); }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(path());
        const auto entries = QDir(m_dir.path()).entryList(QDir::Files);
        for (const QString &e : entries)
            QFile::remove(m_dir.filePath(e));
    }

    void standardStoreLivesUnderXdgConfigHome()
    {
        const QString expected = qEnvironmentVariable("XDG_CONFIG_HOME") + "/vantry/vantry.conf"_L1;
        QCOMPARE(UserDefaults::standardFilePath(), expected);
        UserDefaults::standard().setValue(u"preview.side"_s, u"left"_s);
        QVERIFY(QFile::exists(expected));
    }

    void keysSitAtTopLevelUnderTheirOwnNames()
    {
        {
            UserDefaults d(path());
            d.setValue(u"preview.side"_s, u"left"_s);
            d.setValue(u"KeyboardShortcuts_openShelfWindow"_s, u"{\"carbonKeyCode\":1}"_s);
        }
        UserDefaults reread(path());
        QCOMPARE(reread.string(u"preview.side"_s), u"left"_s);
        QCOMPARE(reread.string(u"KeyboardShortcuts_openShelfWindow"_s), u"{\"carbonKeyCode\":1}"_s);
        QVERIFY(readFile(path()).contains("preview.side=left"));
    }

    void bytesRoundTripExactly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii path") << QByteArray("/home/me/Shelf");
        QTest::newRow("not utf-8") << QByteArray("/tmp/caf\xe9/\xff\xfe\x80 x");
        QTest::newRow("nul and newline") << QByteArray("a\0b\nc\r=[x]", 11);
        QTest::newRow("escape-like") << QByteArray("\\x41 @ByteArray(x) ;#");
    }
    void bytesRoundTripExactly()
    {
        QFETCH(QByteArray, bytes);
        {
            UserDefaults d(path());
            d.setValue(u"user_selected_dir"_s, bytes);
            QCOMPARE(d.data(u"user_selected_dir"_s), bytes);
        }
        UserDefaults reread(path());
        QVERIFY(reread.movedAsidePath().isEmpty());
        QCOMPARE(reread.data(u"user_selected_dir"_s), bytes);
    }

    void scalarsReadBackAsTheFileStoresThem()
    {
        UserDefaults d(path());
        d.setValue(u"KeyboardShortcuts_x"_s, false);
        QCOMPARE(d.value(u"KeyboardShortcuts_x"_s).typeId(), int(QMetaType::QString));
        QCOMPARE(d.boolean(u"KeyboardShortcuts_x"_s, true), false);
        UserDefaults reread(path());
        QCOMPARE(reread.value(u"KeyboardShortcuts_x"_s), d.value(u"KeyboardShortcuts_x"_s));
        QCOMPARE(reread.boolean(u"missing"_s, true), true);
    }

    void consecutiveWritesNeverLoseAKey()
    {
        UserDefaults d(path());
        for (int i = 0; i < 50; ++i)
            d.setValue(u"k%1"_s.arg(i), i);
        d.remove(u"k7"_s);
        UserDefaults reread(path());
        QCOMPARE(reread.keys().size(), 49);
        QCOMPARE(reread.string(u"k49"_s), u"49"_s);
        QVERIFY(!reread.contains(u"k7"_s));
    }

    void changesAreSignalledOnce()
    {
        UserDefaults d(path());
        QSignalSpy spy(&d, &UserDefaults::valueChanged);
        d.setValue(u"preview.side"_s, u"left"_s);
        d.setValue(u"preview.side"_s, u"left"_s);
        d.remove(u"preview.side"_s);
        d.remove(u"preview.side"_s);
        QCOMPARE(spy.size(), 2);
    }

    void damagedFileIsMovedAsideAndDefaultsUsed_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\0\0\x01garbage",
            14);
        QTest::newRow("not utf-8") << QByteArray("[General]\npreview.side=l\xe9\xff\n");
        QTest::newRow("stray text") << QByteArray("[General]\nthis is not a setting\n");
        QTest::newRow("cut inside a character") << QByteArray("[General]\npreview.side=caf\xc3");
    }
    void damagedFileIsMovedAsideAndDefaultsUsed()
    {
        QFETCH(QByteArray, content);
        writeFile(path(), content);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
        UserDefaults d(path());
        QVERIFY(!d.movedAsidePath().isEmpty());
        QVERIFY(d.movedAsidePath().startsWith(path() + ".damaged-"_L1));
        QCOMPARE(readFile(d.movedAsidePath()), content);
        QVERIFY(d.keys().isEmpty());
        d.setValue(u"preview.side"_s, u"left"_s);
        QCOMPARE(readFile(d.movedAsidePath()), content);
        QCOMPARE(UserDefaults(path()).string(u"preview.side"_s), u"left"_s);
    }

    void unreadableFileIsNeverOverwritten()
    {
        QVERIFY2(unprivileged(), "run through isolate.sh --unprivileged");
        writeFile(path(), "[General]\npreview.side=left\n");
        QFile::setPermissions(path(), QFileDevice::WriteOwner);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot read"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
        UserDefaults d(path());
        d.setValue(u"preview.side"_s, u"right"_s);
        const QString aside = d.movedAsidePath();
        QVERIFY(!aside.isEmpty());
        QFile::setPermissions(aside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readFile(aside), QByteArray("[General]\npreview.side=left\n"));
    }

    void fileThatCannotBeMovedAsideStaysUntouched()
    {
        QVERIFY2(unprivileged(), "run through isolate.sh --unprivileged");
        QTemporaryDir locked;
        const QString file = locked.filePath(u"vantry.conf"_s);
        const QByteArray content("not a settings file\n");
        writeFile(file, content);
        const auto rwx = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be moved aside"_s));
        {
            UserDefaults d(file);
            d.setValue(u"preview.side"_s, u"left"_s);
            QCOMPARE(d.string(u"preview.side"_s), u"left"_s);
        }
        QFile::setPermissions(locked.path(), rwx);
        QCOMPARE(readFile(file), content);
    }

    void fifoAtTheSettingsPathIsMovedAsideWithoutBlocking()
    {
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"not a regular file"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
        std::optional<UserDefaults> d;
        {
            FifoWatchdog watchdog(path());
            d.emplace(path());
            QVERIFY2(!watchdog.hadToStepIn(), "opening the settings file waited for a writer");
        }
        QVERIFY(isFifo(d->movedAsidePath()));
        QVERIFY(d->keys().isEmpty());
        d->setValue(u"preview.side"_s, u"left"_s);
        QVERIFY(QFileInfo(path()).isFile());
        QCOMPARE(UserDefaults(path()).string(u"preview.side"_s), u"left"_s);
    }

    void fileOverOneMebibyteIsMovedAside()
    {
        // Well-formed but huge: one setting and a megabyte of comment.
        const QByteArray content
            = "preview.side=left\n;" + QByteArray(UserDefaults::MaximumFileSize, 'x') + '\n';
        writeFile(path(), content);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"larger than 1 MiB"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
        UserDefaults d(path());
        QVERIFY(d.keys().isEmpty());
        QCOMPARE(readFile(d.movedAsidePath()), content);
    }

    void readOnlyFileKeepsChangesAndSaysWhyOnce()
    {
        QVERIFY2(unprivileged(), "run through isolate.sh --unprivileged");
        writeFile(path(), "preview.side=left\n");
        QFile::setPermissions(path(), QFileDevice::ReadOwner);
        UserDefaults d(path());
        QSignalSpy failed(&d, &UserDefaults::saveFailed);

        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(u"could not write.*"_s + permissionDenied()));
        d.setValue(u"preview.side"_s, u"right"_s);
        QCOMPARE(d.string(u"preview.side"_s), u"right"_s);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), u"preview.side"_s);
        QCOMPARE(failed.at(0).at(1).toString(), permissionDenied());
        QCOMPARE(d.saveError(), permissionDenied());
        QVERIFY(d.claimSaveFailureNotice());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        d.setValue(u"user_selected_dir"_s, QByteArray("/srv/shelf"));
        QCOMPARE(failed.size(), 2);
        QVERIFY2(!d.claimSaveFailureNotice(), "the user is told once");
        QCOMPARE(readFile(path()), QByteArray("preview.side=left\n"));

        // Writable again: the next save carries every change, and says nothing.
        QTest::failOnWarning(QRegularExpression(u"could not write"_s));
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        d.setValue(u"k"_s, u"v"_s);
        QCOMPARE(failed.size(), 2);
        QVERIFY(d.saveError().isEmpty());
        UserDefaults reread(path());
        QCOMPARE(reread.string(u"preview.side"_s), u"right"_s);
        QCOMPARE(reread.data(u"user_selected_dir"_s), QByteArray("/srv/shelf"));
        QCOMPARE(reread.string(u"k"_s), u"v"_s);
    }

    void readOnlyFolderSaysWhy()
    {
        QVERIFY2(unprivileged(), "run through isolate.sh --unprivileged");
        QTemporaryDir locked;
        const QString file = locked.filePath(u"vantry.conf"_s);
        QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const auto unlock = qScopeGuard([&] {
            QFile::setPermissions(locked.path(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        UserDefaults d(file);
        QSignalSpy failed(&d, &UserDefaults::saveFailed);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        d.remove(u"absent"_s); // nothing to save
        d.setValue(u"preview.side"_s, u"left"_s);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(1).toString(), permissionDenied());
        QVERIFY(!QFileInfo::exists(file));
    }

    void damagedFileThatStaysInPlaceSaysWhy()
    {
        QVERIFY2(unprivileged(), "run through isolate.sh --unprivileged");
        QTemporaryDir locked;
        const QString file = locked.filePath(u"vantry.conf"_s);
        writeFile(file, "not a settings file\n");
        QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const auto unlock = qScopeGuard([&] {
            QFile::setPermissions(locked.path(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be moved aside"_s));
        UserDefaults d(file);
        QSignalSpy failed(&d, &UserDefaults::saveFailed);
        d.setValue(u"preview.side"_s, u"left"_s);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(1).toString(), permissionDenied());
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
