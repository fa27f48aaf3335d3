// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A shelf window over a temporary folder with fake platform services, shared by
// the shelf widget tests and the hand-driven host program.

#include "platform/UserDefaults.h"
#include "preview/PreviewPresenter.h"
#include "shelf/ContentView.h"
#include "shelf/FolderChooser.h"
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
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <optional>

namespace vantry::test {

class RecordingPreview final : public PreviewPresenter
{
public:
    struct Shown
    {
        QByteArray path;
        PreviewSide side;
    };
    void show(const QByteArray &path, QWidget *, PreviewSide side, int, int) override
    {
        shown.append({ path, side });
    }
    void hide() override { ++hidden; }

    QList<Shown> shown;
    int hidden = 0;
};

class FixedChooser final : public FolderChooser
{
public:
    void chooseFolder(Done done) override { done(answer); }
    std::optional<QByteArray> answer;
};

// The folder holds the given entries (names ending in "/" are folders); the
// stored bookmark points at it, so the shelf lists it when it appears.
class ShelfTestHost
{
public:
    explicit ShelfTestHost(const QList<QByteArray> &entries, PreviewPresenter *preview = nullptr);
    ~ShelfTestHost();

    QByteArray folder() const { return m_folder; }
    QByteArray pathOf(const QByteArray &name) const { return m_folder + '/' + name; }

    UserDefaults &defaults() { return *m_defaults; }
    ContentView &content() { return *m_content; }
    ShelfView &view() { return *m_view; }
    // The view's parts, found as a screen reader or a test tool would: by object name.
    ShelfListView *list() const;
    ShelfListModel *model() const;
    QLineEdit *folderField() const;
    QToolButton *folderButton() const;
    QToolButton *settingsButton() const;
    QToolButton *previewButton() const;
    QToolButton *renameButton() const;
    ErrorBannerView *banner() const;
    /// The rename field while a row shows it, else nullptr.
    ShelfItemEditView *editView() const;
    QWidget &window() { return m_window; }
    RecordingPreview &preview() { return m_recording; }
    int beeps() const { return m_beeps; }
    int settingsOpened() const { return m_settings; }

private:
    QTemporaryDir m_dir;
    QByteArray m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    SecurityScope m_scope;
    FixedChooser m_chooser;
    RecordingPreview m_recording;
    QWidget m_window;
    std::unique_ptr<ContentView> m_content;
    ShelfView *m_view = nullptr;
    int m_beeps = 0;
    int m_settings = 0;
};

} // namespace vantry::test
