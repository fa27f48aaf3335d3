// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/LaunchAtLogin.h"
#include "platform/dbus/BackgroundPortalService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace LaunchAtLogin;
using namespace Qt::StringLiterals;

namespace {

const QString portalName = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;

// The Background portal as the desktop offers it, answering as a test prepares.
class FakeBackgroundPortal final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Background")

public:
    explicit FakeBackgroundPortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    { }

    uint response = 0;
    bool grantAutostart = true;
    QList<QVariantMap> requests;

public Q_SLOTS:
    QDBusObjectPath RequestBackground(const QString &parentWindow, const QVariantMap &options)
    {
        Q_UNUSED(parentWindow);
        requests << options;
        QString sender = message().service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(
            sender, options.value(u"handle_token"_s).toString());
        const bool wanted = options.value(u"autostart"_s).toBool();
        QDBusMessage signal
            = QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        signal << response
               << QVariantMap { { u"background"_s, true },
                      { u"autostart"_s, wanted && grantAutostart } };
        m_bus.send(signal);
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
};

} // namespace

class TestBackgroundPortal final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_record;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        m_record = QFile::encodeName(m_dir.filePath(u"autostart/vantry.desktop"_s));
    }

    void init() { QFile::remove(QFile::decodeName(m_record)); }

    void answers_data()
    {
        QTest::addColumn<uint>("response");
        QTest::addColumn<bool>("grant");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("granted") << 0u << true << true;
        QTest::newRow("autostart refused") << 0u << false << false;
        QTest::newRow("cancelled by the user") << 1u << true << false;
    }

    // Through the calls the settings' box makes.
    void answers()
    {
        QFETCH(uint, response);
        QFETCH(bool, grant);
        QFETCH(bool, enabled);

        // The portal lives on a connection of its own, as another process would.
        QDBusConnection portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
            u"fake-portal-%1"_s.arg(QString::fromUtf8(QTest::currentDataTag())));
        FakeBackgroundPortal portal(portalBus);
        portal.response = response;
        portal.grantAutostart = grant;
        QVERIFY(portalBus.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(portalBus.registerService(portalName));

        setLoginItemService(std::make_unique<BackgroundPortalService>(QDBusConnection::sessionBus(),
            AutostartService(m_record, QCoreApplication::applicationFilePath())));
        QVERIFY(!isEnabled());
        if (!enabled) {
            QTest::ignoreMessage(
                QtCriticalMsg, QRegularExpression(u"^Failed to enable launch at login: .+"_s));
        }
        setEnabled(true);
        QCOMPARE(isEnabled(), enabled); // awaiting the desktop's approval reads as off
        QCOMPARE(portal.requests.size(), 1);
        const QVariantMap options = portal.requests.first();
        QCOMPARE(options.value(u"autostart"_s).toBool(), true);
        QCOMPARE(options.value(u"commandline"_s).toStringList(),
            QStringList { QFileInfo(QCoreApplication::applicationFilePath()).fileName() });
        QVERIFY(!options.value(u"reason"_s).toString().isEmpty());

        // Turning it off asks the portal again and forgets the grant.
        portal.response = 0;
        setEnabled(false);
        QVERIFY(!isEnabled());
        QCOMPARE(portal.requests.last().value(u"autostart"_s).toBool(), false);

        setLoginItemService(nullptr);
        QDBusConnection::disconnectFromBus(portalBus.name());
    }
};

QTEST_GUILESS_MAIN(TestBackgroundPortal)
#include "tst_backgroundportal.moc"
