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

    // A folder dialog of its own, not blocking the shelf; asking while it is open raises
    // it, and the latest asker hears the choice, or nothing when cancelled.
    void showsOneNonModalFolderDialogAndReportsTheChoice()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFolder("Shelf"));
        FileDialogFolderChooser chooser;
        std::optional<std::optional<QByteArray>> chosen;
        chooser.chooseFolder([](std::optional<QByteArray>) {});
        QFileDialog *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(dialog->windowModality(), Qt::NonModal);
        QVERIFY(!dialog->parentWidget());
        chooser.chooseFolder([&](std::optional<QByteArray> path) { chosen = path; });
        QCOMPARE(openDialog(), dialog);

        dialog->setDirectory(QFile::decodeName(folder.path()));
        dialog->selectFile(QFile::decodeName(folder.pathOf("Shelf")));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it; the override runs
        QCOMPARE(chosen, folder.pathOf("Shelf"));
        QTRY_VERIFY(!openDialog());

        chosen.reset();
        chooser.chooseFolder([&](std::optional<QByteArray> path) { chosen = path; });
        QVERIFY(openDialog());
        openDialog()->reject();
        QVERIFY(chosen && !*chosen);
    }
};

QTEST_MAIN(TestFileDialogFolderChooser)
#include "tst_filedialogfolderchooser.moc"
