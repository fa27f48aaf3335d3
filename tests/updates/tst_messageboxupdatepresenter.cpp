// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/MessageBoxUpdatePresenter.h"

#include <QAccessible>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using vantry::MessageBoxUpdatePresenter;
using Choice = vantry::UpdatePresenter::Choice;

namespace {

vantry::AppcastItem update()
{
    vantry::AppcastItem item;
    item.version = u"210"_s;
    item.shortVersionString = u"2.1"_s;
    item.releaseNotesUrl = QUrl(u"https://vantry.example/notes"_s);
    item.enclosureUrl = QUrl(u"https://vantry.example/Vantry-2.1.tar.gz"_s);
    return item;
}

QPushButton *button(QWidget *window, const QString &text)
{
    for (QPushButton *b : window->findChildren<QPushButton *>()) {
        if (b->isVisibleTo(window) && b->text().remove(u'&') == text)
            return b;
    }
    return nullptr;
}

// All the text the window shows, as a screen reader reads it. Feed and server texts
// are shown as they are, never read as markup.
QString shownText(QWidget *window)
{
    QStringList texts;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window))
            continue;
        texts << (label->textFormat() == Qt::PlainText
                ? QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name)
                : u"(read as markup)"_s);
    }
    return texts.join(u'\n');
}

} // namespace

// The real window: what it shows and what the user can do with it reaches the updater.
class TestMessageBoxUpdatePresenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesCarryTheirText_data();
    void messagesCarryTheirText();
    void eachOutcomeTakesThePlaceOfTheLastInOneWindow();
    void cancelEscapeAndCloseEndTheCheck_data();
    void cancelEscapeAndCloseEndTheCheck();
};

void TestMessageBoxUpdatePresenter::messagesCarryTheirText_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up to date") << 0 << u"1.0"_s;
    QTest::newRow("error of two lines, with markup")
        << 1
        << u"The update feed could not be downloaded: <img src=\"https://tracker.example/x.png\">"
           "https://vantry.app/appcast.xml - server replied: Service Unavailable"_s;
    QTest::newRow("package manager") << 2 << u"package manager"_s;
}

void TestMessageBoxUpdatePresenter::messagesCarryTheirText()
{
    QFETCH(int, which);
    QFETCH(QString, expected);
    MessageBoxUpdatePresenter presenter;
    presenter.showChecking({}); // as a check by hand opens the window
    if (which == 0)
        presenter.showUpToDate(u"1.0"_s);
    else if (which == 1)
        presenter.showError(expected);
    else
        presenter.showPackageManaged();
    QDialog *dialog = presenter.currentDialog();
    QVERIFY(dialog);
    QVERIFY(shownText(dialog).contains(expected));
    // Each text fits whole in the window, however many lines it takes, once the window has
    // taken its new size.
    const auto allFit = [dialog] {
        const auto labels = dialog->findChildren<QLabel *>();
        return std::all_of(labels.begin(), labels.end(), [dialog](QLabel *label) {
            return dialog->rect().contains(QRect(label->mapTo(dialog, QPoint()), label->size()))
                && label->height() >= label->heightForWidth(label->width());
        });
    };
    QTRY_VERIFY(allFit());
    button(dialog, u"OK"_s)->click();
    QTRY_VERIFY(!presenter.currentDialog());
}

void TestMessageBoxUpdatePresenter::eachOutcomeTakesThePlaceOfTheLastInOneWindow()
{
    MessageBoxUpdatePresenter presenter;
    presenter.showChecking({});
    QPointer<QDialog> dialog = presenter.currentDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(shownText(dialog).contains(u"Checking for updates"_s));
    auto *bar = dialog->findChild<QProgressBar *>();
    QVERIFY(bar && bar->isVisibleTo(dialog));
    QCOMPARE(bar->maximum(), 0); // busy, with no promise of how long
    QVERIFY(button(dialog, u"Cancel"_s));

    QList<Choice> choices;
    vantry::AppcastItem hostile = update();
    hostile.shortVersionString = u"<h1>2.1</h1>"_s;
    presenter.showUpdateAvailable(hostile, u"1.0"_s, [&](Choice c) { choices.append(c); });
    QCOMPARE(presenter.currentDialog(), dialog.data());
    QVERIFY(dialog->isVisible());
    QTRY_VERIFY(!dialog->findChild<QProgressBar *>());
    QVERIFY(!button(dialog, u"Cancel"_s));
    QVERIFY(button(dialog, u"Download"_s));
    QVERIFY2(shownText(dialog).contains(u"Vantry <h1>2.1</h1> is now available; you have 1.0."_s),
        qPrintable(shownText(dialog)));
    button(dialog, u"Release Notes"_s)->click();
    QCOMPARE(choices, QList<Choice> { Choice::ReleaseNotes });
    QVERIFY(dialog->isVisible());

    // A later outcome answers the update with Later, once.
    presenter.showUpToDate(u"1.0"_s);
    QCOMPARE(choices, (QList<Choice> { Choice::ReleaseNotes, Choice::Later }));
    QCOMPARE(presenter.currentDialog(), dialog.data());
    QTRY_VERIFY(!button(dialog, u"Download"_s));
    QVERIFY(shownText(dialog).contains(u"up to date"_s));

    // An update without release notes offers none; Download, the default, ends the window.
    vantry::AppcastItem noNotes = update();
    noNotes.releaseNotesUrl.clear();
    presenter.showUpdateAvailable(noNotes, u"1.0"_s, [&](Choice c) { choices.append(c); });
    QTRY_VERIFY(!button(dialog, u"OK"_s));
    QVERIFY(!button(dialog, u"Release Notes"_s));
    QPushButton *download = button(dialog, u"Download"_s);
    QVERIFY(download && download->isDefault());
    download->click();
    QCOMPARE(choices, (QList<Choice> { Choice::ReleaseNotes, Choice::Later, Choice::Download }));
    QTRY_VERIFY(!dialog);
}

void TestMessageBoxUpdatePresenter::cancelEscapeAndCloseEndTheCheck_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestMessageBoxUpdatePresenter::cancelEscapeAndCloseEndTheCheck()
{
    QFETCH(int, how);
    MessageBoxUpdatePresenter presenter;
    int cancels = 0;
    presenter.showChecking([&] { ++cancels; });
    QPointer<QDialog> dialog = presenter.currentDialog();
    if (how == 0)
        button(dialog, u"Cancel"_s)->click();
    else if (how == 1)
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->close();
    QCOMPARE(cancels, 1);
    QTRY_VERIFY(!dialog);
    QVERIFY(!presenter.currentDialog());
}

QTEST_MAIN(TestMessageBoxUpdatePresenter)
#include "tst_messageboxupdatepresenter.moc"
