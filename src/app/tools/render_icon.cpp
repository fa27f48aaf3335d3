// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time helper: renders the scalable application icon to the PNG sizes of the hicolor theme.
//   render_icon <input.svg> <size> <output.png>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ok = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&ok) : 0;
    if (!ok || size <= 0) {
        std::fputs("usage: render_icon <input.svg> <size> <output.png>\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid())
        return 1;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    return image.save(args.at(3), "PNG") ? 0 : 1;
}
