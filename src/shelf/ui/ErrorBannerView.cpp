// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ErrorBannerView.h"

#include "icons/SymbolIcons.h"
#include "shelf/ui/ShelfColors.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QShowEvent>
#include <QTextLayout>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

constexpr int horizontalPadding = 12;
// Small enough for two lines to fit between the shelf's list and its bottom edge.
constexpr int verticalPadding = 6;
constexpr int itemSpacing = 10;
constexpr int symbolSize = 16;
constexpr qreal cornerRadius = 10;

// Screen readers announce an alert as it shows up: the banner is one, named by its message.
QAccessibleInterface *bannerAccessible(const QString &className, QObject *object)
{
    if (object && object->isWidgetType()
        && className == QLatin1StringView(ErrorBannerView::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::AlertMessage);
    return nullptr;
}

} // namespace

ErrorBannerView::ErrorBannerView(QWidget *parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_text(new QLabel(this))
    , m_close(new QToolButton(this))
    , m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), this))
{
    static const bool accessibleFactory = (QAccessible::installFactory(bannerAccessible), true);
    Q_UNUSED(accessibleFactory);
    setAttribute(Qt::WA_TranslucentBackground);
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &ErrorBannerView::closeRequested);

    m_icon->setFixedSize(symbolSize, symbolSize);
    m_icon->setAccessibleName(tr("Warning"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);

    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setToolTip(tr("Close"));
    m_close->setAccessibleName(tr("Close"));
    m_close->setIconSize(QSize(symbolSize, symbolSize));
    connect(m_close, &QToolButton::clicked, this, &ErrorBannerView::closeRequested);

    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &ErrorBannerView::closeRequested);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(
        horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    layout->setSpacing(itemSpacing);
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_close);
    updateIcons();
}

void ErrorBannerView::setMessage(const QString &text)
{
    m_escape->setEnabled(true);
    if (text == m_message && m_wait.isActive())
        return;
    const bool changed = text != m_message;
    m_message = text;
    // The label is read by its own (possibly cut) text; the alert carries the whole message.
    setAccessibleName(text);
    updateShownText();
    if (changed && isVisible())
        announce();
    updateGeometry();
    m_deadline = QDeadlineTimer(m_delay);
    m_wait.start(m_delay);
}

void ErrorBannerView::stopWait()
{
    m_wait.stop();
    m_escape->setEnabled(false);
}

QString ErrorBannerView::shownText() const
{
    return m_text->text();
}

int ErrorBannerView::messageWidthFor(int width) const
{
    const int close = m_close->sizeHint().width();
    return std::max(1, width - 2 * horizontalPadding - symbolSize - close - 2 * itemSpacing);
}

int ErrorBannerView::heightForWidth(int width) const
{
    const QString shown = twoLines(m_message, m_text->font(), messageWidthFor(width));
    const int lines = int(shown.count(u'\n')) + 1;
    const int text = lines * m_text->fontMetrics().lineSpacing();
    return 2 * verticalPadding + std::max({ text, symbolSize, m_close->sizeHint().height() });
}

QSize ErrorBannerView::sizeHint() const
{
    const int width = 320;
    return QSize(width, heightForWidth(width));
}

QString ErrorBannerView::twoLines(const QString &text, const QFont &font, int width)
{
    QString flat = text;
    flat.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return {};
    }
    first.setLineWidth(width);
    QTextLine second = layout.createLine();
    if (second.isValid())
        second.setLineWidth(width);
    const bool more = second.isValid() && layout.createLine().isValid();
    layout.endLayout();

    const auto clean = [](QString line) {
        line.replace(QChar::LineSeparator, u' ');
        return line.trimmed();
    };
    QString shown = clean(flat.mid(first.textStart(), first.textLength()));
    if (!second.isValid())
        return shown;
    QString rest = clean(
        more ? flat.mid(second.textStart()) : flat.mid(second.textStart(), second.textLength()));
    if (more) {
        // Cut at the end of the second line, with the ellipsis inside it.
        rest = QFontMetrics(font).elidedText(rest + u"\u2026"_s, Qt::ElideRight, width);
    }
    return shown + u'\n' + rest;
}

void ErrorBannerView::updateShownText()
{
    m_text->setText(twoLines(m_message, m_text->font(), messageWidthFor(width())));
}

void ErrorBannerView::announce()
{
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void ErrorBannerView::showEvent(QShowEvent *event)
{
    // Showing an alert role is what AT-SPI screen readers announce; bridges that know
    // the Alert event get it too.
    QWidget::showEvent(event);
    if (!event->spontaneous())
        announce();
}

void ErrorBannerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateShownText();
}

void ErrorBannerView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
    else if (event->type() == QEvent::FontChange)
        updateShownText();
}

void ErrorBannerView::updateIcons()
{
    const qreal dpr = devicePixelRatioF();
    m_icon->setPixmap(
        symbolIcon(Symbol::warningTriangle, palette()).pixmap(QSize(symbolSize, symbolSize), dpr));
    m_close->setIcon(symbolIcon(Symbol::xmark, palette()));
}

void ErrorBannerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(card);
    // Opaque: the gear and the list's end would show through as smudges.
    painter.fillPath(card, palette().color(QPalette::Window));
    // The border is clipped to the card, so only its inner half shows.
    QPen border(ShelfColors::bannerBorder(), 1.0);
    border.setCapStyle(Qt::FlatCap);
    border.setJoinStyle(Qt::MiterJoin);
    painter.strokePath(card, border);
}

} // namespace vantry
