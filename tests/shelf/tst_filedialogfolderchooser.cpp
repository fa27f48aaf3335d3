// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "shelf/FileDialogFolderChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>

using namespace vantry;

namespace {

QFileDialog *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

class TestFileDialogFolderChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Qt's own dialog: a desktop portal would answer outside the test's reach.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void showsANonModalFolderDialogAndReportsTheChoice()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFolder("Shelf"));
        FileDialogFolderChooser chooser;
        int answers = 0;
        std::optional<QByteArray> chosen;
        chooser.chooseFolder([&](std::optional<QByteArray> path) {
            ++answers;
            chosen = path;
        });

        QFileDialog *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(dialog->windowModality(), Qt::NonModal);
        QVERIFY(!dialog->parentWidget());

        dialog->setDirectory(QFile::decodeName(folder.path()));
        dialog->selectFile(QFile::decodeName(folder.pathOf("Shelf")));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it; the override runs
        QCOMPARE(answers, 1);
        QCOMPARE(chosen, folder.pathOf("Shelf"));
        QTRY_VERIFY(!openDialog());
    }

    // Asking while the dialog is open raises it; cancelling answers the latest asker
    // with nothing.
    void askingAgainRaisesTheOpenDialog()
    {
        FileDialogFolderChooser chooser;
        int first = 0;
        std::optional<std::optional<QByteArray>> second;
        chooser.chooseFolder([&](std::optional<QByteArray>) { ++first; });
        QFileDialog *dialog = openDialog();
        QVERIFY(dialog);
        chooser.chooseFolder([&](std::optional<QByteArray> path) { second = path; });
        QCOMPARE(openDialog(), dialog);
        dialog->reject();
        QCOMPARE(first, 0);
        QVERIFY(second && !*second);
    }
};

QTEST_MAIN(TestFileDialogFolderChooser)
#include "tst_filedialogfolderchooser.moc"
