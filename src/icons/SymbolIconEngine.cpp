// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/SymbolIconEngine.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace vantry {

SymbolIconEngine::SymbolIconEngine(QString resourcePath, Colors colors)
    : m_resourcePath(std::move(resourcePath))
    , m_colors(std::move(colors))
{ }

QColor SymbolIconEngine::colorFor(QIcon::Mode mode) const
{
    switch (mode) {
    case QIcon::Disabled:
        return m_colors.disabled;
    case QIcon::Selected:
        return m_colors.selected;
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return m_colors.normal;
}

QImage SymbolIconEngine::render(const QSize &size, const QColor &color) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(m_resourcePath);
    if (!renderer.isValid())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the square drawing square inside a non-square request.
    const int side = qMin(size.width(), size.height());
    const QRectF target((size.width() - side) / 2.0, (size.height() - side) / 2.0, side, side);
    renderer.render(&painter, target);
    // The drawing is black on transparent: keep its alpha, take the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

QPixmap SymbolIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State)
{
    if (size.isEmpty())
        return {};
    const QColor color = colorFor(mode);
    const QString cacheKey = u"vantry-symbol:%1:%2:%3x%4"_s.arg(m_resourcePath)
                                 .arg(qulonglong(color.rgba()), 8, 16, QChar(u'0'))
                                 .arg(size.width())
                                 .arg(size.height());
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey, &pixmap))
        return pixmap;
    pixmap = QPixmap::fromImage(render(size, color));
    QPixmapCache::insert(cacheKey, pixmap);
    return pixmap;
}

void SymbolIconEngine::paint(
    QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap(rect.size() * dpr, mode, state);
    pm.setDevicePixelRatio(dpr);
    painter->drawPixmap(rect, pm);
}

QIconEngine *SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(m_resourcePath, m_colors);
}

QString SymbolIconEngine::key() const
{
    return u"vantry-symbol"_s;
}

bool SymbolIconEngine::isNull()
{
    return !QFile::exists(m_resourcePath);
}

} // namespace vantry
