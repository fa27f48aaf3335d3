// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

#include <chrono>

class QLabel;
class QLineEdit;
class QMenu;
class QParallelAnimationGroup;
class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QToolButton;

namespace vantry {

class ContentView;
class ErrorBannerView;
class ShelfItemDelegate;
class ShelfItemEditView;
class ShelfListModel;
class ShelfListView;

// The content of the shelf window: the Folder field and button, the list of
// items, the settings button and the error banner. It renders ContentView's
// state and reports the user's intents to it; it keeps no shelf state of its own.
// Its parts carry object names ("folderField", "folderButton", "items",
// "settingsButton", "previewButton", "renameButton", "errorBanner") for tests and
// accessibility tools.
class ShelfView final : public QWidget
{
    Q_OBJECT

public:
    explicit ShelfView(ContentView &content, QWidget *parent = nullptr);
    ~ShelfView() override;

    /// Makes the gear open `menu` (the application's menu: settings, updates, quit) instead
    /// of opening the settings directly. The view does not take ownership.
    void setSettingsMenu(QMenu *menu);

    /// How long the banner waits before it asks to close (3 s unless changed).
    void setBannerAutoHideDelay(std::chrono::milliseconds delay);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildLayout();
    void updateIcons();
    void onInputDirChanged();
    void onItemsReset();
    void onContentSelectionChanged();
    void onViewSelectionChanged();
    void syncEditor();
    void onErrorMessageChanged();
    void placeBanner();
    void slideBanner(bool in);
    QRect bannerRect() const;
    /// The rename field while a row shows it, else nullptr.
    ShelfItemEditView *editView() const;

    ContentView &m_content;
    ShelfListModel *m_model = nullptr;
    ShelfItemDelegate *m_delegate = nullptr;
    QLabel *m_folderHeading = nullptr;
    QLineEdit *m_folderField = nullptr;
    QToolButton *m_folderButton = nullptr;
    QLabel *m_itemsHeading = nullptr;
    ShelfListView *m_list = nullptr;
    QToolButton *m_previewButton = nullptr;
    QToolButton *m_renameButton = nullptr;
    QToolButton *m_settingsButton = nullptr;
    ErrorBannerView *m_banner = nullptr;
    QGraphicsOpacityEffect *m_bannerOpacity = nullptr;
    QParallelAnimationGroup *m_bannerAnimation = nullptr;
    QPropertyAnimation *m_bannerMove = nullptr;
    QPropertyAnimation *m_bannerFade = nullptr;
    bool m_bannerShown = false;
    bool m_syncingSelection = false;
    bool m_editing = false;
    QPersistentModelIndex m_editorIndex;
};

} // namespace vantry
