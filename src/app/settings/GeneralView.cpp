// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/GeneralView.h"

#include "KeyboardShortcuts/ui/RecorderHost.h"
#include "LaunchAtLogin/Toggle.h"
#include "app/settings/SettingsFonts.h"
#include "platform/UserDefaults.h"

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
    label->setAccessibleName(text);
    label->setAccessibleDescription(QString());
    return label;
}

const QString sideKey = QString::fromLatin1(previewSideKey);

} // namespace

GeneralView::GeneralView(
    UserDefaults &defaults, const KeyboardShortcuts::Name &openShelfWindow, QWidget *parent)
    : QWidget(parent)
    , m_defaults(&defaults)
{
    setAccessibleName(tr("General"));
    setFixedHeight(fixedHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    layout->addWidget(heading(tr("General"), this));
    layout->addSpacing(18);

    m_toggle = new LaunchAtLogin::Toggle(this);
    layout->addWidget(m_toggle);
    layout->addSpacing(8);

    auto *pickerRow = new QHBoxLayout;
    pickerRow->setSpacing(8);
    auto *pickerLabel = new QLabel(tr("Preview position"), this);
    m_sidePicker = new QComboBox(this);
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
    m_recorder = recorder->recorder();
    layout->addWidget(recorder);

    layout->addStretch(1);
    m_saveError = new QLabel(this);
    m_saveError->setWordWrap(true);
    m_saveError->setTextFormat(Qt::PlainText);
    m_saveError->hide();
    layout->addWidget(m_saveError);

    showStoredSide();
    // Only a choice of the user writes: an unknown stored string stays until then.
    connect(m_sidePicker, &QComboBox::activated, this, &GeneralView::onSidePicked);
    connect(&defaults, &UserDefaults::valueChanged, this, [this](const QString &key) {
        if (key == sideKey)
            showStoredSide();
    });
    // Changes made in this pane that cannot be kept are told here, once.
    connect(&defaults, &UserDefaults::saveFailed, this,
        [this](const QString &key, const QString &reason) {
            const bool madeHere = key == sideKey || key.startsWith(u"KeyboardShortcuts_");
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
    const QString stored = m_defaults ? m_defaults->string(sideKey) : QString();
    m_sidePicker->setCurrentIndex(previewSideFromStored(stored) == PreviewSide::left ? 0 : 1);
}

void GeneralView::onSidePicked(int index)
{
    if (!m_defaults || index < 0)
        return;
    m_defaults->setValue(sideKey, m_sidePicker->itemData(index).toString());
}

} // namespace vantry
