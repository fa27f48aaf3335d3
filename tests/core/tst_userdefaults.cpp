// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::UserDefaults;

namespace {

QString describe(int error)
{
    return QString::fromLocal8Bit(::strerror(error));
}

// Lowers a resource limit for the scope's lifetime.
class Limit
{
public:
    Limit(int resource, rlim_t soft)
        : m_resource(resource)
    {
        ::getrlimit(resource, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        ::setrlimit(resource, &lowered);
    }
    ~Limit() { ::setrlimit(m_resource, &m_saved); }

private:
    int m_resource;
    rlimit m_saved {};
};

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
    // A folder the test user may read but not write.
    static void lock(const QTemporaryDir &dir, bool locked)
    {
        QFile::setPermissions(dir.path(),
            QFileDevice::ReadOwner | QFileDevice::ExeOwner
                | (locked ? QFileDevice::Permissions() : QFileDevice::WriteOwner));
    }

private Q_SLOTS:
    void init()
    {
        // Permission bits mean nothing to root; CTest runs this test as nobody.
        QVERIFY2(::geteuid() != 0, "run through isolate.sh --unprivileged");
        const auto entries = QDir(m_dir.path()).entryList(QDir::Files | QDir::System);
        for (const QString &e : entries)
            QFile::remove(m_dir.filePath(e));
    }

    void cleanup() { lock(m_dir, false); }

    // The file holds the keys and values as the README describes them; a removed key is gone.
    void valuesAreKeptAtTopLevelAsTheFileStoresThem()
    {
        {
            UserDefaults d(path());
            d.setValue(u"preview.side"_s, u"left"_s);
            d.setValue(u"KeyboardShortcuts_x"_s, false);
            d.setValue(u"gone"_s, 1);
            d.remove(u"gone"_s);
        }
        const QByteArray file = readFile(path());
        QVERIFY2(file.contains("\npreview.side=left\n")
                && file.contains("\nKeyboardShortcuts_x=false\n"),
            file.constData());
        QCOMPARE(UserDefaults(path()).keys().size(), 2);
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

    // Only what is there and cannot be used as a settings file is damage.
    void damagedFileIsMovedAsideAndDefaultsUsed_data()
    {
        QTest::addColumn<QByteArray>("content"); // "fifo": a FIFO at the path
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\0\0\x01garbage",
            14);
        QTest::newRow("not utf-8") << QByteArray("[General]\npreview.side=l\xe9\xff\n");
        QTest::newRow("stray text") << QByteArray("[General]\nthis is not a setting\n");
        QTest::newRow("cut inside a character") << QByteArray("[General]\npreview.side=caf\xc3");
        QTest::newRow("over 1 MiB")
            << "preview.side=left\n;" + QByteArray(UserDefaults::MaximumFileSize, 'x') + '\n';
        QTest::newRow("fifo") << QByteArray("fifo");
    }
    void damagedFileIsMovedAsideAndDefaultsUsed()
    {
        QFETCH(QByteArray, content);
        if (content == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        else
            writeFile(path(), content);
        if (content == "fifo" || content.size() > UserDefaults::MaximumFileSize)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"is .(not a|larger)"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
        // Opening a FIFO for reading would wait for a writer: fail rather than hang.
        ::alarm(30);
        UserDefaults d(path());
        ::alarm(0);
        QVERIFY(d.movedAsidePath().startsWith(path() + ".damaged-"_L1));
        struct stat aside
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(d.movedAsidePath()).constData(), &aside), 0);
        if (content == "fifo")
            QVERIFY(S_ISFIFO(aside.st_mode));
        else
            QCOMPARE(readFile(d.movedAsidePath()), content);
        QVERIFY(d.keys().isEmpty());
        d.setValue(u"preview.side"_s, u"left"_s);
        QVERIFY(QFileInfo(path()).isFile());
        QCOMPARE(UserDefaults(path()).string(u"preview.side"_s), u"left"_s);
    }

    // A file that cannot be read now may be fine, and a damaged one that cannot be moved
    // aside is the user's: either stays as it is, the store runs on defaults and says why
    // nothing is saved.
    void aFileThatCannotBeUsedStaysUntouched_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("EACCES") << EACCES << "[General]\npreview.side=left\n"_ba;
        QTest::newRow("EMFILE") << EMFILE << "[General]\npreview.side=left\n"_ba;
        QTest::newRow("damaged, folder locked") << EACCES << "not a settings file\n"_ba;
    }
    void aFileThatCannotBeUsedStaysUntouched()
    {
        QFETCH(int, error);
        QFETCH(QByteArray, content);
        writeFile(path(), content);
        const bool damaged = !content.startsWith('[');
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                damaged ? u"could not be moved aside"_s : u"cannot read.*"_s + describe(error)));
        std::optional<UserDefaults> d;
        if (damaged) {
            lock(m_dir, true);
            d.emplace(path());
        } else if (error == EACCES) {
            QFile::setPermissions(path(), QFileDevice::WriteOwner);
            d.emplace(path());
            QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        } else {
            // Every descriptor below the lowest free one is taken: the limit allows no more.
            const int lowest = ::dup(0);
            ::close(lowest);
            Limit files(RLIMIT_NOFILE, rlim_t(lowest));
            d.emplace(path());
        }
        QVERIFY(d->movedAsidePath().isEmpty());
        QVERIFY(d->keys().isEmpty());
        QSignalSpy failed(&*d, &UserDefaults::saveFailed);
        d->setValue(u"preview.side"_s, u"right"_s);
        lock(m_dir, false);
        QCOMPARE(d->string(u"preview.side"_s), u"right"_s);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(1).toString(), describe(error));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList { u"vantry.conf"_s });
        QCOMPARE(readFile(path()), content);
    }

    // A failed save keeps the change in memory and names the system's reason: a file or
    // folder that may not be written, or a write the system refused (here a file size
    // limit, as a full disk refuses with ENOSPC). The user hears it once; the next save
    // that works carries every change.
    void aFailedSaveNamesItsCause_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("folderLocked");
        QTest::newRow("read-only file") << EACCES << false;
        QTest::newRow("read-only folder") << EACCES << true;
        QTest::newRow("write refused") << EFBIG << false;
    }
    void aFailedSaveNamesItsCause()
    {
        QFETCH(int, error);
        QFETCH(bool, folderLocked);
        writeFile(path(), "preview.side=left\n");
        UserDefaults d(path());
        QSignalSpy failed(&d, &UserDefaults::saveFailed);
        {
            if (error == EACCES && !folderLocked)
                QFile::setPermissions(path(), QFileDevice::ReadOwner);
            lock(m_dir, folderLocked);
            const auto ignore = std::signal(SIGXFSZ, SIG_IGN);
            Limit size(RLIMIT_FSIZE, error == EFBIG ? 1 : RLIM_INFINITY);
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(u"could not write.*"_s + describe(error)));
            d.setValue(u"preview.side"_s, u"right"_s);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
            d.setValue(u"user_selected_dir"_s, QByteArray("/srv/shelf"));
            std::signal(SIGXFSZ, ignore);
            lock(m_dir, false);
        }
        QCOMPARE(d.string(u"preview.side"_s), u"right"_s);
        QCOMPARE(failed.size(), 2);
        QCOMPARE(failed.at(0).at(0).toString(), u"preview.side"_s);
        QCOMPARE(failed.at(0).at(1).toString(), describe(error));
        QCOMPARE(d.saveError(), describe(error));
        QVERIFY(d.claimSaveFailureNotice());
        QVERIFY2(!d.claimSaveFailureNotice(), "the user is told once");
        QCOMPARE(readFile(path()), QByteArray("preview.side=left\n"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        QTest::failOnWarning(QRegularExpression(u"could not write"_s));
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        d.setValue(u"k"_s, u"v"_s);
        QCOMPARE(failed.size(), 2);
        QVERIFY(d.saveError().isEmpty());
        UserDefaults reread(path());
        QCOMPARE(reread.string(u"preview.side"_s), u"right"_s);
        QCOMPARE(reread.data(u"user_selected_dir"_s), QByteArray("/srv/shelf"));
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
