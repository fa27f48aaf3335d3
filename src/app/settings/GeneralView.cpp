// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/GeneralView.h"

#include "app/settings/SettingsFonts.h"
#include "autostart/Toggle.h"
#include "core/Settings.h"
#include "core/UserDefaults.h"
#include "shortcuts/ui/RecorderHost.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vantry {

namespace {

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(titleFont(label->font()));
    return label;
}

} // namespace

GeneralView::GeneralView(
    UserDefaults &defaults, const KeyboardShortcuts::Name &openShelfWindow, QWidget *parent)
    : QWidget(parent)
    , m_defaults(&defaults)
{
    setAccessibleName(tr("General"));
    // At least its usual height; taller while the shortcut's note needs the room.
    setMinimumHeight(fixedHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    layout->addWidget(heading(tr("General"), this));
    layout->addSpacing(18);

    m_toggle = new LaunchAtLogin::Toggle(this);
    m_toggle->setObjectName(QStringLiteral("launchAtLogin"));
    layout->addWidget(m_toggle);
    layout->addSpacing(8);

    auto *pickerRow = new QHBoxLayout;
    pickerRow->setSpacing(8);
    auto *pickerLabel = new QLabel(tr("Preview position"), this);
    m_sidePicker = new QComboBox(this);
    m_sidePicker->setObjectName(QStringLiteral("previewSide"));
    m_sidePicker->setAccessibleName(tr("Preview position"));
    m_sidePicker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_sidePicker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_sidePicker->addItem(tr("Left"), rawValue(PreviewSide::left));
    m_sidePicker->addItem(tr("Right"), rawValue(PreviewSide::right));
    pickerLabel->setBuddy(m_sidePicker);
    pickerRow->addWidget(pickerLabel);
    pickerRow->addWidget(m_sidePicker);
    pickerRow->addStretch(1);
    layout->addLayout(pickerRow);
    layout->addSpacing(18);

    layout->addWidget(heading(tr("Shortcuts"), this));
    layout->addSpacing(18);

    auto *recorder
        = new KeyboardShortcuts::RecorderHost(tr("Open Window:"), openShelfWindow, {}, this);
    recorder->recorder()->setObjectName(QStringLiteral("shortcutRecorder"));
    layout->addWidget(recorder);

    layout->addStretch(1);
    m_saveError = new QLabel(this);
    m_saveError->setObjectName(QStringLiteral("saveError"));
    m_saveError->setWordWrap(true);
    m_saveError->setTextFormat(Qt::PlainText);
    m_saveError->hide();
    layout->addWidget(m_saveError);

    showStoredSide();
    // Only a choice of the user writes: an unknown stored string stays until then.
    connect(m_sidePicker, &QComboBox::activated, this, &GeneralView::onSidePicked);
    connect(&defaults, &UserDefaults::valueChanged, this, [this](const QString &key) {
        if (Settings::isKey(key, Setting::PreviewSide))
            showStoredSide();
    });
    // Changes made in this pane that cannot be kept are told here, once.
    connect(&defaults, &UserDefaults::saveFailed, this,
        [this](const QString &key, const QString &reason) {
            const bool madeHere = Settings::isKey(key, Setting::PreviewSide)
                || key.startsWith(u"KeyboardShortcuts_");
            if (!madeHere || !m_defaults || !m_defaults->claimSaveFailureNotice())
                return;
            m_saveError->setText(tr("Settings cannot be saved: %1").arg(reason));
            m_saveError->show();
        });
}

PreviewSide GeneralView::shownSide() const
{
    return m_sidePicker->currentIndex() == 0 ? PreviewSide::left : PreviewSide::right;
}

void GeneralView::showStoredSide()
{
    const PreviewSide side = m_defaults ? Settings(*m_defaults).previewSide() : PreviewSide::right;
    m_sidePicker->setCurrentIndex(side == PreviewSide::left ? 0 : 1);
}

void GeneralView::onSidePicked(int index)
{
    if (!m_defaults || index < 0)
        return;
    Settings(*m_defaults).setPreviewSide(index == 0 ? PreviewSide::left : PreviewSide::right);
}

} // namespace vantry
