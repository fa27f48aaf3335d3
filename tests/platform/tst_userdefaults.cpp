// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantry::UserDefaults;

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
        if (geteuid() == 0)
            QSKIP("root reads every file");
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
        if (geteuid() == 0)
            QSKIP("root can write into read-only folders");
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
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
