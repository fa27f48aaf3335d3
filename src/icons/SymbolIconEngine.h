// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIconEngine>
#include <QString>

namespace vantry {

// Renders one SVG as a mask and fills it with a colour per icon mode, so the same
// drawing stays legible on light and dark palettes at any size and scale.
class SymbolIconEngine final : public QIconEngine
{
public:
    struct Colors
    {
        QColor normal;
        QColor disabled;
        QColor selected;
    };

    SymbolIconEngine(QString resourcePath, Colors colors);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QColor colorFor(QIcon::Mode mode) const;
    QImage render(const QSize &size, const QColor &color) const;

    QString m_resourcePath;
    Colors m_colors;
};

} // namespace vantry
