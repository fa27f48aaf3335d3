// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewView.h"

#include "core/FileNameText.h"
#include "icons/FileIcons.h"
#include "preview/AnimationPlayer.h"
#include "preview/PreviewDecoding.h"
#include "preview/PreviewLoader.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

constexpr int infoIconSize = 128;
constexpr int pdfPageMargin = 8;
constexpr int pdfPageEdge = 1;
// A text edit lays out each line whole: very long lines are broken for display, and
// the text goes in a slice per event loop turn so the panel stays responsive.
constexpr qsizetype displayLineLength = 400;
constexpr qsizetype textSlice = 16 * 1024;

QString breakLongLines(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / displayLineLength + 1);
    qsizetype run = 0;
    for (const QChar c : text) {
        if (c == u'\n') {
            run = 0;
        } else if (run >= displayLineLength && !c.isLowSurrogate()) {
            out += u'\n';
            run = 0;
        }
        out += c;
        if (c != u'\n')
            ++run;
    }
    return out;
}

QLabel *centredLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPixmap pixmapFor(const QImage &image, qreal dpr)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

} // namespace

QColor previewShade(const QPalette &palette, float share)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const auto mix = [share](float a, float b) { return a + (b - a) * share; };
    return QColor::fromRgbF(mix(window.redF(), text.redF()), mix(window.greenF(), text.greenF()),
        mix(window.blueF(), text.blueF()));
}

PreviewView::PreviewView(QWidget *parent)
    : QWidget(parent)
    , m_loader(new PreviewLoader(this))
    , m_stack(new QStackedWidget(this))
    , m_textFeeder(new QTimer(this))
{
    m_textFeeder->setSingleShot(true);
    m_textFeeder->setInterval(0);
    connect(m_textFeeder, &QTimer::timeout, this, &PreviewView::feedText);

    setAccessibleName(tr("Preview content"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    m_loading = centredLabel(m_stack);
    m_stack->addWidget(m_loading);

    m_image = centredLabel(m_stack);
    m_image->setAccessibleName(tr("Image"));
    m_stack->addWidget(m_image);

    m_textPage = new QWidget(m_stack);
    auto *textLayout = new QVBoxLayout(m_textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(2);
    m_text = new QPlainTextEdit(m_textPage);
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(tr("File text"));
    m_truncatedNote = centredLabel(m_textPage);
    m_truncatedNote->setText(
        tr("Only the first %1 are shown.").arg(QLocale().formattedDataSize(previewTextLimit)));
    textLayout->addWidget(m_text);
    textLayout->addWidget(m_truncatedNote);
    m_stack->addWidget(m_textPage);

    m_pdf = new QScrollArea(m_stack);
    m_pdf->setWidgetResizable(true);
    m_pdf->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pdf->setAccessibleName(tr("Document pages"));
    m_pdfPages = new QWidget(m_pdf);
    // Pages stand apart from a backdrop of their own, as in document viewers.
    m_pdfPages->setAutoFillBackground(true);
    m_pdfLayout = new QVBoxLayout(m_pdfPages);
    m_pdfLayout->setContentsMargins(pdfPageMargin, pdfPageMargin, pdfPageMargin, pdfPageMargin);
    m_pdfLayout->setSpacing(pdfPageMargin);
    m_pdf->setWidget(m_pdfPages);
    m_stack->addWidget(m_pdf);

    m_info = buildInfoPage();
    m_stack->addWidget(m_info);
    edgePages();

    connect(m_loader, &PreviewLoader::loaded, this, &PreviewView::onLoaded);
}

PreviewView::~PreviewView() = default;

QWidget *PreviewView::buildInfoPage()
{
    auto *page = new QWidget(m_stack);
    auto *layout = new QVBoxLayout(page);
    layout->addStretch();
    m_infoIcon = centredLabel(page);
    m_infoIcon->setAccessibleName(tr("File icon"));
    m_infoName = centredLabel(page);
    QFont bold = m_infoName->font();
    bold.setBold(true);
    m_infoName->setFont(bold);
    m_infoKind = centredLabel(page);
    m_infoSize = centredLabel(page);
    m_infoModified = centredLabel(page);
    m_infoLink = centredLabel(page);
    for (QLabel *label :
        { m_infoIcon, m_infoName, m_infoLink, m_infoKind, m_infoSize, m_infoModified })
        layout->addWidget(label);
    layout->addStretch();
    return page;
}

void PreviewView::setPath(const QByteArray &path, const QSize &fitSize)
{
    stopAnimation();
    m_textFeeder->stop();
    m_pendingText.clear();
    m_pendingOffset = 0;
    m_path = path;
    m_fitSize = fitSize;
    m_content.reset();
    const qsizetype slash = path.lastIndexOf('/');
    m_loading->setText(fileNameText(slash < 0 ? path : path.mid(slash + 1)));
    m_stack->setCurrentWidget(m_loading);
    m_loader->request(path, { fitSize * devicePixelRatioF(), pdfPageWidth() });
}

int PreviewView::pdfPageWidth() const
{
    // The panel's width, less the scroll bar, the frame and the margins.
    const int viewportWidth = m_pdf->isVisible() || m_pdf->testAttribute(Qt::WA_Resized)
        ? m_pdf->maximumViewportSize().width()
        : m_fitSize.width() - 2 * m_pdf->frameWidth();
    return qRound((viewportWidth - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pdf)
                      - 2 * pdfPageMargin - 2 * pdfPageEdge)
        * devicePixelRatioF());
}

void PreviewView::onLoaded(std::shared_ptr<PreviewContent> content)
{
    if (!content || content->path != m_path)
        return;
    m_content = std::move(content);
    showContent();
    Q_EMIT contentShown(m_content->kind);
}

void PreviewView::stopAnimation()
{
    delete m_animation;
}

void PreviewView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_animation)
        m_animation->start();
}

void PreviewView::hideEvent(QHideEvent *event)
{
    // Nobody sees a hidden animation: no frame is decoded until the panel shows again.
    if (m_animation)
        m_animation->setPaused(true);
    QWidget::hideEvent(event);
}

void PreviewView::showContent()
{
    const PreviewContent &content = *m_content;
    const qreal dpr = devicePixelRatioF();
    switch (content.kind) {
    case PreviewContent::Kind::image:
        m_image->setPixmap(pixmapFor(content.image, dpr));
        m_image->setAccessibleDescription(content.displayName);
        m_stack->setCurrentWidget(m_image);
        return;
    case PreviewContent::Kind::animatedImage: {
        m_animation = new AnimationPlayer(content.movieFile, content.movieSize, this);
        connect(m_animation, &AnimationPlayer::frameChanged, this,
            [this, dpr](const QImage &frame) { m_image->setPixmap(pixmapFor(frame, dpr)); });
        connect(m_animation, &AnimationPlayer::failed, this, [this] {
            // Not deleted while it is still signalling.
            m_animation->deleteLater();
            m_animation = nullptr;
            if (m_content)
                showOther(*m_content);
        });
        m_image->clear();
        m_image->setAccessibleDescription(content.displayName);
        m_stack->setCurrentWidget(m_image);
        if (isVisible())
            m_animation->start();
        return;
    }
    case PreviewContent::Kind::text:
        if (content.text.isEmpty())
            break; // the info page says the file is empty
        m_text->clear();
        m_pendingText = breakLongLines(content.text);
        m_pendingOffset = 0;
        feedText();
        m_truncatedNote->setVisible(content.truncated);
        m_text->setAccessibleDescription(content.displayName);
        m_stack->setCurrentWidget(m_textPage);
        return;
    case PreviewContent::Kind::pdf: {
        while (QLayoutItem *item = m_pdfLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        // Pages come rendered at the width they are shown at.
        for (int i = 0; i < content.pages.size(); ++i) {
            auto *page = new QLabel(m_pdfPages);
            const QPixmap pixmap = pixmapFor(content.pages.at(i), dpr);
            page->setPixmap(pixmap);
            page->setFrameStyle(QFrame::Box | QFrame::Plain);
            page->setLineWidth(pdfPageEdge);
            page->setFixedSize(
                pixmap.deviceIndependentSize().toSize() + QSize(2 * pdfPageEdge, 2 * pdfPageEdge));
            page->setAccessibleName(tr("Page %1 of %2").arg(i + 1).arg(content.pageCount));
            m_pdfLayout->addWidget(page, 0, Qt::AlignHCenter);
        }
        edgePages();
        m_pdfLayout->addStretch();
        m_pdf->setAccessibleDescription(content.displayName);
        m_stack->setCurrentWidget(m_pdf);
        return;
    }
    case PreviewContent::Kind::other:
        break;
    }
    showOther(content);
}

void PreviewView::feedText()
{
    const qsizetype n = std::min(textSlice, m_pendingText.size() - m_pendingOffset);
    if (n > 0) {
        QTextCursor cursor(m_text->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(m_pendingText.mid(m_pendingOffset, n));
        m_pendingOffset += n;
    }
    if (m_pendingOffset < m_pendingText.size()) {
        m_textFeeder->start();
    } else {
        m_pendingText.clear();
        m_pendingOffset = 0;
    }
}

void PreviewView::edgePages()
{
    QPalette backdrop = palette();
    backdrop.setColor(QPalette::Window, previewShade(palette(), 0.15f));
    m_pdfPages->setPalette(backdrop);
    // A plain frame draws in its text colour; a page has no text.
    const QColor edge = previewShade(palette(), 0.3f);
    for (QLabel *page : m_pdfPages->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        QPalette pagePalette = page->palette();
        pagePalette.setColor(QPalette::WindowText, edge);
        page->setPalette(pagePalette);
    }
}

void PreviewView::showOther(const PreviewContent &content)
{
    const QIcon icon = iconForMimeType(content.mimeType);
    m_infoIcon->setPixmap(icon.pixmap(QSize(infoIconSize, infoIconSize), devicePixelRatioF()));
    m_infoName->setText(content.displayName);
    m_infoKind->setText(content.mimeComment);
    const QLocale locale;
    m_infoSize->setText(content.size > 0 ? locale.formattedDataSize(content.size)
            : content.size == 0          ? tr("Empty file")
                                         : QString());
    m_infoSize->setVisible(content.size >= 0);
    m_infoModified->setText(content.modified.isValid()
            ? tr("Modified %1").arg(locale.toString(content.modified, QLocale::ShortFormat))
            : QString());
    m_infoModified->setVisible(content.modified.isValid());
    m_infoLink->setText(
        content.isLink ? tr("Symbolic link to %1").arg(content.linkTarget) : QString());
    m_infoLink->setVisible(content.isLink);
    m_info->setAccessibleName(content.displayName);
    m_stack->setCurrentWidget(m_info);
}

void PreviewView::changeEvent(QEvent *event)
{
    // Theme icons follow the palette; redraw the info page when it changes.
    if (event->type() == QEvent::PaletteChange && m_content && m_stack->currentWidget() == m_info)
        showOther(*m_content);
    if (event->type() == QEvent::PaletteChange)
        edgePages();
    QWidget::changeEvent(event);
}

} // namespace vantry
