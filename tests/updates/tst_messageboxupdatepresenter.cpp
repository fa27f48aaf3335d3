// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/MessageBoxUpdatePresenter.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

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

template<typename T>
T *childNamed(QWidget *parent, const QString &accessibleName)
{
    const auto children = parent->findChildren<T *>();
    for (T *child : children) {
        if (child->accessibleName() == accessibleName)
            return child;
    }
    return nullptr;
}

} // namespace

// The real dialogs: what the user can do with them reaches the updater.
class TestMessageBoxUpdatePresenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void updateDialogReportsTheChoices();
    void closingTheUpdateDialogMeansLater();
    void aNewOutcomeReplacesTheOpenDialog();
    void messagesCarryTheirText_data();
    void messagesCarryTheirText();
};

void TestMessageBoxUpdatePresenter::updateDialogReportsTheChoices()
{
    MessageBoxUpdatePresenter presenter;
    QList<Choice> choices;
    presenter.showUpdateAvailable(update(), u"1.0"_s, [&](Choice c) { choices.append(c); });
    QPointer<QDialog> dialog = presenter.currentDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->accessibleName().isEmpty());
    auto *versions = childNamed<QLabel>(dialog, u"Versions"_s);
    QVERIFY(versions);
    QVERIFY(versions->text().contains(u"2.1"_s));
    QVERIFY(versions->text().contains(u"1.0"_s));
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        QVERIFY(!button->accessibleName().isEmpty());

    auto *notes = childNamed<QLabel>(dialog, u"Release notes"_s);
    QVERIFY(notes);
    Q_EMIT notes->linkActivated(u"notes"_s);
    QCOMPARE(choices, QList<Choice> { Choice::ReleaseNotes });
    QVERIFY(dialog->isVisible());

    auto *download = childNamed<QPushButton>(dialog, u"Download"_s);
    QVERIFY(download);
    download->click();
    QCOMPARE(choices, (QList<Choice> { Choice::ReleaseNotes, Choice::Download }));
    QTRY_VERIFY(!dialog); // deleted once closed
}

void TestMessageBoxUpdatePresenter::closingTheUpdateDialogMeansLater()
{
    MessageBoxUpdatePresenter presenter;
    QList<Choice> choices;
    vantry::AppcastItem noNotes = update();
    noNotes.releaseNotesUrl.clear();
    presenter.showUpdateAvailable(noNotes, u"1.0"_s, [&](Choice c) { choices.append(c); });
    QDialog *dialog = presenter.currentDialog();
    QVERIFY(!childNamed<QLabel>(dialog, u"Release notes"_s));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCOMPARE(choices, QList<Choice> { Choice::Later });
}

void TestMessageBoxUpdatePresenter::aNewOutcomeReplacesTheOpenDialog()
{
    MessageBoxUpdatePresenter presenter;
    QList<Choice> choices;
    presenter.showUpdateAvailable(update(), u"1.0"_s, [&](Choice c) { choices.append(c); });
    QPointer<QDialog> first = presenter.currentDialog();
    presenter.showUpToDate(u"1.0"_s);
    QCOMPARE(choices, QList<Choice> { Choice::Later });
    QTRY_VERIFY(!first);
    QVERIFY(presenter.currentDialog());
    QVERIFY(presenter.currentDialog()->isVisible());
}

void TestMessageBoxUpdatePresenter::messagesCarryTheirText_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up to date") << 0 << u"1.0"_s;
    QTest::newRow("error") << 1 << u"The update server answered with status 500."_s;
    QTest::newRow("package manager") << 2 << u"package manager"_s;
}

void TestMessageBoxUpdatePresenter::messagesCarryTheirText()
{
    QFETCH(int, which);
    QFETCH(QString, expected);
    MessageBoxUpdatePresenter presenter;
    if (which == 0)
        presenter.showUpToDate(u"1.0"_s);
    else if (which == 1)
        presenter.showError(u"The update server answered with status 500."_s);
    else
        presenter.showPackageManaged();
    auto *box = qobject_cast<QMessageBox *>(presenter.currentDialog());
    QVERIFY(box);
    QVERIFY((box->text() + box->informativeText()).contains(expected));
    QVERIFY(!box->accessibleName().isEmpty());
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(!presenter.currentDialog());
}

QTEST_MAIN(TestMessageBoxUpdatePresenter)
#include "tst_messageboxupdatepresenter.moc"
