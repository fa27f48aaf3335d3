// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/GeneralView.h"
#include "core/UserDefaults.h"
#include "translations/AppTranslations.h"

#include <QComboBox>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace vantry;
using namespace Qt::StringLiterals;

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    bool unfinished = false;
};

QList<Message> readCatalog(const QString &path)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            current = Message { context, xml.readElementText(), {}, false };
        } else if (xml.name() == u"translation") {
            const auto type = xml.attributes().value(u"type"_s);
            current.unfinished = type == u"unfinished";
            const bool gone = type == u"obsolete" || type == u"vanished";
            current.translation = xml.readElementText();
            if (!gone)
                messages << current;
        }
    }
    return messages;
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression arg(u"%(\\d+|n)"_s);
    QStringList found;
    for (auto it = arg.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

class TestTranslations final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogsAreComplete_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << u"vantry_en.ts"_s;
        QTest::newRow("German") << u"vantry_de.ts"_s;
    }

    void catalogsAreComplete()
    {
        QFETCH(QString, file);
        const QString path = qEnvironmentVariable("VANTRY_SOURCE_DIR") + u"/translations/"_s + file;
        const QList<Message> messages = readCatalog(path);
        QVERIFY2(!messages.isEmpty(), qPrintable(path));
        for (const Message &m : messages) {
            const QByteArray where = (m.context + u": "_s + m.source).toUtf8();
            QVERIFY2(!m.unfinished, where.constData());
            QVERIFY2(!m.translation.isEmpty(), where.constData());
            // Every argument the code fills in must appear in the translation.
            QVERIFY2(placeholders(m.translation) == placeholders(m.source), where.constData());
        }
    }

    void germanReachesTheSettingsPane()
    {
        QVERIFY(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath(u"vantry.conf"_s));
        GeneralView view(defaults, KeyboardShortcuts::Name(u"openShelfWindow"_s));
        QStringList texts;
        for (QLabel *label : view.findChildren<QLabel *>())
            texts << label->text();
        QVERIFY2(texts.contains(u"Allgemein"_s), qPrintable(texts.join(u", ")));
        QCOMPARE(view.findChild<QComboBox *>(u"previewSide"_s)->itemText(0), u"Links"_s);
        // Qt's own texts come from its catalogue (qt6-translations-l10n).
        QCOMPARE(
            QKeySequence(Qt::CTRL | Qt::Key_S).toString(QKeySequence::NativeText), u"Strg+S"_s);
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
