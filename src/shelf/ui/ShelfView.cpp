// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfView.h"

#include "icons/SymbolIcons.h"
#include "shelf/ContentView.h"
#include "shelf/ui/ErrorBannerView.h"
#include "shelf/ui/ShelfColors.h"
#include "shelf/ui/ShelfItemDelegate.h"
#include "shelf/ui/ShelfItemEditView.h"
#include "shelf/ui/ShelfListModel.h"
#include "shelf/ui/ShelfListView.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

constexpr int outerPadding = 18;
constexpr int listHeight = 300;
constexpr int gearSize = 20;
constexpr int bannerSide = 8;
constexpr int bannerBottom = 8;
constexpr int bannerAnimationMs = 250;
constexpr int rowSymbolSize = 16;

// The gear opens a menu, but a 20 px symbol in a 24 px button leaves the style's menu arrow no
// room: it would sit on the gear's tooth. The button keeps its menu (screen readers still hear
// a menu button); only the arrow is left out, and the focus mark goes around the symbol
// instead of across it.
class GearButton final : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.features &= ~QStyleOptionToolButton::HasMenu;
        const bool focused = option.state & QStyle::State_HasFocus;
        option.state &= ~QStyle::State_HasFocus;
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
        if (focused) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
};

QToolButton *rowButton(const QString &text, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    // The list keeps the keyboard focus; Space and Return reach these buttons through it.
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setIconSize(QSize(rowSymbolSize, rowSymbolSize));
    button->hide();
    return button;
}

} // namespace

ShelfView::ShelfView(ContentView &content, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_model(new ShelfListModel(content, this))
    , m_delegate(new ShelfItemDelegate(this))
{
    buildLayout();

    connect(&m_content, &ContentView::inputDirChanged, this, &ShelfView::onInputDirChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ShelfView::onItemsReset);
    connect(
        &m_content, &ContentView::selectionChanged, this, &ShelfView::onContentSelectionChanged);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &ShelfView::onViewSelectionChanged);
    connect(&m_content, &ContentView::editingUrlChanged, this, &ShelfView::syncEditor);
    connect(&m_content, &ContentView::renameTextChanged, this, [this] {
        if (ShelfItemEditView *editor = editView())
            editor->setText(m_content.renameText());
    });
    connect(&m_content, &ContentView::errorMessageChanged, this, &ShelfView::onErrorMessageChanged);

    connect(m_list, &ShelfListView::previewRequested, &m_content, &ContentView::showPreview);
    connect(m_list, &ShelfListView::renameRequested, &m_content, &ContentView::beginRename);
    connect(m_folderButton, &QToolButton::clicked, &m_content, &ContentView::chooseFolder);
    connect(m_settingsButton, &QToolButton::clicked, &m_content, &ContentView::openSettings);
    connect(m_banner, &ErrorBannerView::closeRequested, &m_content, &ContentView::clearError);

    onInputDirChanged();
    onItemsReset();
    onErrorMessageChanged();
}

ShelfView::~ShelfView() = default;

void ShelfView::buildLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(outerPadding, outerPadding, outerPadding, outerPadding);

    QFont headingFont = font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.25);
    m_folderHeading = new QLabel(tr("Folder"), this);
    m_folderHeading->setFont(headingFont);
    layout->addWidget(m_folderHeading);

    auto *folderRow = new QHBoxLayout;
    m_folderField = new QLineEdit(this);
    m_folderField->setObjectName(u"folderField"_s);
    m_folderField->setPlaceholderText(tr("Please select directory"));
    m_folderField->setAccessibleName(tr("Folder"));
    m_folderField->setReadOnly(true);
    // It only shows the path: no editing, no focus.
    m_folderField->setEnabled(false);
    m_folderButton = new QToolButton(this);
    m_folderButton->setObjectName(u"folderButton"_s);
    m_folderButton->setToolTip(tr("Choose Folder"));
    m_folderButton->setAccessibleName(tr("Choose Folder"));
    m_folderHeading->setBuddy(m_folderButton);
    folderRow->addWidget(m_folderField, 1);
    folderRow->addWidget(m_folderButton);
    layout->addLayout(folderRow);

    m_itemsHeading = new QLabel(tr("Items"), this);
    m_itemsHeading->setFont(headingFont);
    layout->addWidget(m_itemsHeading);

    m_list = new ShelfListView(this);
    m_list->setObjectName(u"items"_s);
    m_list->setAccessibleName(tr("Items"));
    m_list->setItemDelegate(m_delegate);
    m_list->setShelfModel(m_model);
    m_list->setFixedHeight(listHeight);
    m_list->viewport()->setAutoFillBackground(true);
    m_itemsHeading->setBuddy(m_list);
    layout->addWidget(m_list);

    auto *bottomRow = new QHBoxLayout;
    bottomRow->addStretch(1);
    m_settingsButton = new GearButton(this);
    m_settingsButton->setObjectName(u"settingsButton"_s);
    m_settingsButton->setAutoRaise(true);
    m_settingsButton->setToolTip(tr("Settings"));
    m_settingsButton->setAccessibleName(tr("Settings"));
    m_settingsButton->setIconSize(QSize(gearSize, gearSize));
    m_settingsButton->setFixedSize(gearSize + 4, gearSize + 4);
    bottomRow->addWidget(m_settingsButton);
    layout->addLayout(bottomRow);

    m_previewButton = rowButton(tr("Preview"), this);
    m_renameButton = rowButton(tr("Rename"), this);
    m_previewButton->setObjectName(u"previewButton"_s);
    m_renameButton->setObjectName(u"renameButton"_s);
    m_list->setRowButtons(m_previewButton, m_renameButton);

    m_banner = new ErrorBannerView(this);
    m_banner->setObjectName(u"errorBanner"_s);
    m_bannerOpacity = new QGraphicsOpacityEffect(m_banner);
    m_bannerOpacity->setOpacity(0);
    m_banner->setGraphicsEffect(m_bannerOpacity);
    m_banner->hide();
    m_bannerMove = new QPropertyAnimation(m_banner, "pos", this);
    m_bannerFade = new QPropertyAnimation(m_bannerOpacity, "opacity", this);
    m_bannerAnimation = new QParallelAnimationGroup(this);
    for (QPropertyAnimation *animation : { m_bannerMove, m_bannerFade }) {
        animation->setDuration(bannerAnimationMs);
        animation->setEasingCurve(QEasingCurve::InOutCubic);
        m_bannerAnimation->addAnimation(animation);
    }
    connect(m_bannerAnimation, &QAbstractAnimation::finished, this, [this] {
        if (!m_bannerShown)
            m_banner->hide();
    });

    updateIcons();
}

void ShelfView::setSettingsMenu(QMenu *menu)
{
    // With a menu the button no longer emits clicked(); the menu's actions do the work.
    m_settingsButton->setMenu(menu);
    m_settingsButton->setPopupMode(QToolButton::InstantPopup);
    if (menu && menu->accessibleName().isEmpty())
        menu->setAccessibleName(m_settingsButton->accessibleName());
}

void ShelfView::updateIcons()
{
    const QPalette pal = palette();
    m_folderButton->setIcon(symbolIcon(Symbol::folder, pal));
    m_settingsButton->setIcon(symbolIcon(Symbol::gear, pal));
    m_previewButton->setIcon(symbolIcon(Symbol::eye, pal));
    m_renameButton->setIcon(symbolIcon(Symbol::pencil, pal));

    QPalette listPalette = m_list->palette();
    listPalette.setColor(QPalette::Base, ShelfColors::listBackground());
    m_list->setPalette(listPalette);
}

ShelfItemEditView *ShelfView::editView() const
{
    if (!m_editorIndex.isValid())
        return nullptr;
    return qobject_cast<ShelfItemEditView *>(m_list->indexWidget(m_editorIndex));
}

void ShelfView::setBannerAutoHideDelay(std::chrono::milliseconds delay)
{
    m_banner->setAutoHideDelay(delay);
}

void ShelfView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_content.restoreFolder();
    if (!editView())
        m_list->setFocus(Qt::OtherFocusReason);
}

void ShelfView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_content.hidePreview();
}

void ShelfView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_bannerShown && m_bannerAnimation->state() != QAbstractAnimation::Running)
        m_banner->setGeometry(bannerRect());
}

void ShelfView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateIcons();
}

void ShelfView::onInputDirChanged()
{
    m_folderField->setText(m_content.inputDir());
    m_folderField->setToolTip(m_content.inputDir());
}

void ShelfView::onItemsReset()
{
    onContentSelectionChanged();
    syncEditor();
}

void ShelfView::onContentSelectionChanged()
{
    if (m_syncingSelection)
        return;
    QList<int> rows;
    rows.reserve(m_content.selection().size());
    for (const QByteArray &path : m_content.selection()) {
        const int row = m_model->rowOf(path);
        if (row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
            ++j;
        selection.select(m_model->index(rows.at(i)), m_model->index(rows.at(j)));
        i = j + 1;
    }
    m_syncingSelection = true;
    QItemSelectionModel *model = m_list->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (rows.size() == 1) {
        const QModelIndex index = m_model->index(rows.constFirst());
        model->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_list->scrollTo(index);
    }
    m_syncingSelection = false;
    m_list->placeRowButtons();
}

void ShelfView::onViewSelectionChanged()
{
    if (m_syncingSelection)
        return;
    QSet<QByteArray> paths;
    const QItemSelection selection = m_list->selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            paths.insert(m_model->item(row).path());
    }
    m_syncingSelection = true;
    m_content.setSelection(paths);
    m_syncingSelection = false;
    m_list->placeRowButtons();
}

void ShelfView::syncEditor()
{
    const int row = m_model->editingRow();
    const QModelIndex wanted = row >= 0 ? m_model->index(row) : QModelIndex();
    if (m_editorIndex.isValid() && m_editorIndex != wanted)
        m_list->closePersistentEditor(m_editorIndex);
    if (!wanted.isValid()) {
        m_editorIndex = QPersistentModelIndex();
        if (m_editing) {
            m_editing = false;
            // The field held the keyboard; hand it back to the list, not to a neighbour.
            QWidget *focus = QApplication::focusWidget();
            if (!focus || isAncestorOf(focus))
                m_list->setFocus(Qt::OtherFocusReason);
        }
        m_list->placeRowButtons();
        return;
    }
    if (m_editorIndex == wanted && editView())
        return;
    m_list->scrollTo(wanted);
    m_list->openPersistentEditor(wanted);
    m_editorIndex = wanted;
    m_editing = true;
    ShelfItemEditView *editor = editView();
    if (!editor)
        return;
    connect(editor, &ShelfItemEditView::textEdited, &m_content, &ContentView::setRenameText);
    connect(editor, &ShelfItemEditView::commitRequested, &m_content, &ContentView::commitRename);
    connect(editor, &ShelfItemEditView::cancelRequested, &m_content, &ContentView::cancelRename);
    editor->setText(m_content.renameText());
    editor->selectName();
    // The field takes the keyboard at once, without a click.
    editor->setFocus(Qt::OtherFocusReason);
    m_list->placeRowButtons();
}

QRect ShelfView::bannerRect() const
{
    const int width = std::max(0, this->width() - 2 * bannerSide);
    const int height = m_banner->heightForWidth(width);
    // Clear of the list, so that its last row and scroll arrow stay in sight: the margin under
    // the banner gives way first.
    const int belowList = m_list->geometry().bottom() + 1;
    const int top = std::max(
        this->height() - bannerBottom - height, std::min(belowList, this->height() - height));
    return QRect(bannerSide, top, width, height);
}

void ShelfView::onErrorMessageChanged()
{
    const auto &message = m_content.errorMessage();
    if (message) {
        m_banner->setMessage(*message);
        if (!m_bannerShown)
            slideBanner(true);
        else if (m_bannerAnimation->state() != QAbstractAnimation::Running)
            m_banner->setGeometry(bannerRect());
    } else {
        // A cancelled wait ends silently; the banner just leaves.
        m_banner->stopWait();
        if (m_bannerShown)
            slideBanner(false);
    }
}

void ShelfView::slideBanner(bool in)
{
    m_bannerShown = in;
    m_bannerAnimation->stop();
    const QRect target = bannerRect();
    const QPoint below(target.x(), height());
    if (in) {
        if (!m_banner->isVisible()) {
            m_banner->setGeometry(QRect(below, target.size()));
            m_bannerOpacity->setOpacity(0);
        } else {
            m_banner->resize(target.size());
        }
        m_banner->show();
        m_banner->raise();
    }
    m_bannerMove->setStartValue(m_banner->pos());
    m_bannerMove->setEndValue(in ? target.topLeft() : below);
    m_bannerFade->setStartValue(m_bannerOpacity->opacity());
    m_bannerFade->setEndValue(in ? 1.0 : 0.0);
    m_bannerAnimation->start();
}

} // namespace vantry
