// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/AboutView.h"

#include "app/settings/SettingsFonts.h"
#include "core/AppInfo.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantry {

namespace {

AboutView::Info buildInfo()
{
    return { AppInfo::displayName(), AppInfo::name(), AppInfo::version() };
}

} // namespace

AboutView::AboutView(const QIcon &icon, QWidget *parent)
    : AboutView(icon, &buildInfo, &QDate::currentDate, parent)
{ }

AboutView::AboutView(const QIcon &icon, InfoSource info, Clock today, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_info(std::move(info))
    , m_today(std::move(today))
{
    setAccessibleName(tr("About"));
    setMinimumSize(420, 180);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(24);

    m_iconLabel = new QLabel(this);
    m_iconLabel->setFixedSize(iconSize, iconSize);
    m_iconLabel->setAlignment(Qt::AlignCenter);
    m_iconLabel->setAccessibleName(tr("Application icon"));
    auto *shadow = new QGraphicsDropShadowEffect(m_iconLabel);
    shadow->setColor(QColor(0, 0, 0, qRound(0.33 * 255)));
    shadow->setBlurRadius(12); // a 6-point radius, as Qt counts the full blur width
    shadow->setOffset(0, 0);
    m_iconLabel->setGraphicsEffect(shadow);
    layout->addWidget(m_iconLabel, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(6);
    m_name = new QLabel(this);
    QFont nameFont = titleFont(font());
    nameFont.setWeight(QFont::DemiBold);
    m_name->setFont(nameFont);
    m_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_version = new QLabel(this);
    m_version->setFont(subheadlineFont(font()));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_copyright = new QLabel(this);
    m_copyright->setFont(footnoteFont(font()));
    m_copyright->setWordWrap(true);
    texts->addWidget(m_name);
    texts->addWidget(m_version);
    texts->addWidget(m_copyright);
    texts->addStretch(1);
    layout->addLayout(texts, 1);

    refresh();
}

QString AboutView::nameText() const
{
    const Info info = m_info();
    if (!info.displayName.isEmpty())
        return info.displayName;
    if (!info.name.isEmpty())
        return info.name;
    return QStringLiteral("Vantry");
}

QString AboutView::versionText() const
{
    QString version = m_info().version;
    if (version.isEmpty())
        version = QStringLiteral("-");
    return tr("Version %1").arg(version);
}

QString AboutView::copyrightText() const
{
    return tr("Copyright © %1 the Vantry developers. Free software under the GNU GPL, "
              "version 3 or later.")
        .arg(m_today().year());
}

void AboutView::refresh()
{
    m_name->setText(nameText());
    m_version->setText(versionText());
    m_copyright->setText(copyrightText());
    m_version->setPalette(secondaryPalette(palette()));
    m_copyright->setPalette(secondaryPalette(palette()));
    m_iconLabel->setPixmap(roundedIcon(m_icon, devicePixelRatioF()));
}

QPixmap AboutView::roundedIcon(const QIcon &icon, qreal devicePixelRatio)
{
    const QSize frame(iconSize, iconSize);
    QPixmap canvas(frame * devicePixelRatio);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    if (icon.isNull())
        return canvas;

    QPixmap source = icon.pixmap(frame, devicePixelRatio);
    const QSize fitted = source.deviceIndependentSize().toSize().scaled(frame, Qt::KeepAspectRatio);
    const QRect target(
        QPoint((frame.width() - fitted.width()) / 2, (frame.height() - fitted.height()) / 2),
        fitted);

    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), frame), iconCornerRadius, iconCornerRadius);
    painter.setClipPath(clip);
    painter.drawPixmap(target, source);
    return canvas;
}

void AboutView::changeEvent(QEvent *event)
{
    // The secondary lines are mixed from the palette: follow a switch to dark and back.
    if (event->type() == QEvent::PaletteChange && m_version) {
        m_version->setPalette(secondaryPalette(palette()));
        m_copyright->setPalette(secondaryPalette(palette()));
    }
    QWidget::changeEvent(event);
}

void AboutView::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

} // namespace vantry
