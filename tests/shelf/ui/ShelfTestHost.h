// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A shelf window over a temporary folder with fake platform services, shared by
// the shelf widget tests.

#include "FakeFolderChooser.h"
#include "FakePreviewPresenter.h"
#include "ShelfTestFolder.h"
#include "core/UserDefaults.h"
#include "shelf/ContentView.h"
#include "shelf/SecurityScope.h"
#include "shelf/ui/ErrorBannerView.h"
#include "shelf/ui/ShelfItemEditView.h"
#include "shelf/ui/ShelfListModel.h"
#include "shelf/ui/ShelfListView.h"
#include "shelf/ui/ShelfView.h"

#include <QByteArray>
#include <QLineEdit>
#include <QList>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWidget>

#include <memory>

namespace vantry::test {

// The folder holds the given entries (names ending in "/" are folders); the
// stored bookmark points at it, so the shelf lists it when it appears.
class ShelfTestHost
{
public:
    explicit ShelfTestHost(const QList<QByteArray> &entries);
    ~ShelfTestHost();
    /// Shows the window at a fixed place and waits until its list has the keyboard.
    bool show();

    ShelfTestFolder &files() { return m_files; }
    QByteArray folder() const { return m_files.path(); }
    QByteArray pathOf(const QByteArray &name) const { return m_files.pathOf(name); }

    UserDefaults &defaults() { return *m_defaults; }
    ContentView &content() { return *m_content; }
    ShelfView &view() { return *m_view; }
    // The view's parts, found as a screen reader or a test tool would: by object name.
    ShelfListView *list() const { return part<ShelfListView>("items"); }
    ShelfListModel *model() const { return qobject_cast<ShelfListModel *>(list()->model()); }
    QLineEdit *folderField() const { return part<QLineEdit>("folderField"); }
    QToolButton *folderButton() const { return part<QToolButton>("folderButton"); }
    QToolButton *settingsButton() const { return part<QToolButton>("settingsButton"); }
    QToolButton *previewButton() const { return part<QToolButton>("previewButton"); }
    QToolButton *renameButton() const { return part<QToolButton>("renameButton"); }
    ErrorBannerView *banner() const { return part<ErrorBannerView>("errorBanner"); }
    /// The rename field while a row shows it, else nullptr.
    ShelfItemEditView *editView() const;
    QWidget &window() { return m_window; }
    FakePreviewPresenter &preview() { return m_preview; }
    FakeFolderChooser &chooser() { return m_chooser; }
    int beeps() const { return m_beeps; }

private:
    template<typename T>
    T *part(const char *name) const
    {
        T *found = m_view->findChild<T *>(QString::fromLatin1(name));
        Q_ASSERT_X(found, "ShelfTestHost", name);
        return found;
    }

    QTemporaryDir m_dir;
    ShelfTestFolder m_files;
    std::unique_ptr<UserDefaults> m_defaults;
    SecurityScope m_scope;
    FakeFolderChooser m_chooser;
    FakePreviewPresenter m_preview;
    QWidget m_window;
    std::unique_ptr<ContentView> m_content;
    ShelfView *m_view = nullptr;
    int m_beeps = 0;
};

} // namespace vantry::test
