// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/AutostartService.h"
#include "autostart/DesktopEntry.h"
#include "autostart/LaunchAtLogin.h"
#include "autostart/Toggle.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace LaunchAtLogin;
using namespace Qt::StringLiterals;

namespace {

QString entryPath()
{
    return QFile::decodeName(AutostartService::defaultEntryPath());
}

QByteArray readEntry()
{
    QFile file(entryPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeEntry(const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(entryPath()).path());
    QFile file(entryPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QByteArray entryRunning(const QString &program, const QByteArray &extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=Vantry\nExec="
        + DesktopEntry::execValue(program).toUtf8() + '\n' + extra;
}

} // namespace

class TestLaunchAtLogin final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
        // Each test starts from the real autostart service on a clean folder.
        setLoginItemService(nullptr);
        const QString autostart = QFileInfo(entryPath()).path();
        QFile::remove(autostart); // a regular file left by the failure test
        QDir(autostart).removeRecursively();
    }

    void existingEntryIsRead_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");
        const QString self = QCoreApplication::applicationFilePath();
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("ours") << entryRunning(self) << true;
        QTest::newRow("hidden") << entryRunning(self, "Hidden=true\n") << false;
        QTest::newRow("turned off in GNOME")
            << entryRunning(self, "X-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("stale, another copy") << entryRunning(u"/opt/old/vantry"_s) << false;
        QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nName=V\n") << false;
        QTest::newRow("unterminated quote")
            << QByteArray("[Desktop Entry]\nExec=\"/usr/bin\n") << false;
    }

    void existingEntryIsRead()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);
        if (!contents.isEmpty())
            writeEntry(contents);
        QCOMPARE(isEnabled(), enabled);
        // Enabling always ends with our own, visible entry, which runs this program by its
        // full path (so it outlives changes to PATH) and quietly: no shelf.
        setEnabled(true);
        QVERIFY(isEnabled());
        const QByteArray entry = readEntry();
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        const DesktopEntry::Keys keys = DesktopEntry::parse(entry);
        QVERIFY(!keys.hidden);
        QCOMPARE(keys.exec.value_or(QString()),
            DesktopEntry::execValue(QCoreApplication::applicationFilePath()) + u" --background"_s);
    }

    void appImageStartsTheImage()
    {
        const QString image
            = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(u"Vantry.AppImage"_s);
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("APPIMAGE", QFile::encodeName(image));
        setLoginItemService(nullptr);
        setEnabled(true);
        qunsetenv("APPIMAGE");
        QVERIFY(isEnabled());
        const DesktopEntry::Keys keys = DesktopEntry::parse(readEntry());
        QCOMPARE(DesktopEntry::execProgram(keys.exec.value_or(QString())), image);
    }

    void theBoxWritesFollowsAndShowsTheTruth()
    {
        Toggle toggle;
        QVERIFY(!toggle.isChecked());
        toggle.click();
        QVERIFY(isEnabled());
        QVERIFY(toggle.isChecked());

        toggle.click();
        QVERIFY(!isEnabled());
        QVERIFY(!toggle.isChecked());

        // A regular file where the autostart folder belongs makes every write fail,
        // even for root: the failure is logged and the box stays off.
        const QString autostart = QFileInfo(entryPath()).path();
        QVERIFY(QDir(autostart).removeRecursively());
        QFile blocker(autostart);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QTest::ignoreMessage(
            QtCriticalMsg, QRegularExpression(u"^Failed to enable launch at login: .+"_s));
        toggle.click();
        QVERIFY(!isEnabled());
        QVERIFY(!toggle.isChecked());
    }

    void execQuotingRoundTrips_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("space") << u"/opt/my apps/vantry"_s << u"\"/opt/my apps/vantry\""_s;
        QTest::newRow("quote and dollar")
            << u"/tmp/a\"b$c/vantry"_s << u"\"/tmp/a\\\\\"b\\\\$c/vantry\""_s;
        QTest::newRow("backslash") << u"/tmp/a\\b"_s << u"\"/tmp/a\\\\\\\\b\""_s;
        QTest::newRow("percent") << u"/tmp/100%/vantry"_s << u"/tmp/100%%/vantry"_s;
        QTest::newRow("newline") << u"/tmp/a\nb"_s << u"\"/tmp/a\\nb\""_s;
        QTest::newRow("non-ASCII") << u"/home/jürgen/bin/vantry"_s << u"/home/jürgen/bin/vantry"_s;
    }

    void execQuotingRoundTrips()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(DesktopEntry::execValue(program), exec);
        QCOMPARE(DesktopEntry::execProgram(DesktopEntry::unescapeValue(exec)), program);
    }
};

QTEST_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
