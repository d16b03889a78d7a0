// SPDX-License-Identifier: GPL-3.0-or-later
// Renders Quillo's SVG icon to a square PNG at build time, so panels and menus that cannot load SVG icons
// still find one in the hicolor theme. Usage: quillo_render_icon <icon.svg> <icon.png> <size in px>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

/// The largest rectangle of the SVG's proportions centred in a size x size square.
QRectF fittedRect(QSizeF svgSize, int size) {
    const qreal scale = qMin(size / svgSize.width(), size / svgSize.height());
    const QSizeF fitted = svgSize * scale;
    return {(size - fitted.width()) / 2, (size - fitted.height()) / 2, fitted.width(), fitted.height()};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <icon.svg> <icon.png> <size>\n", argv[0]);
        return 2;
    }
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    const QString pngPath = QString::fromLocal8Bit(argv[2]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[3]).toInt(&sizeOk);
    if (!sizeOk || size < 1 || size > 1024) {
        std::fprintf(stderr, "render_icon: bad size %s\n", argv[3]);
        return 2;
    }

    QSvgRenderer renderer(svgPath);
    const QSizeF svgSize = renderer.viewBoxF().size();
    if (!renderer.isValid() || svgSize.isEmpty()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, fittedRect(svgSize, size));
    }
    if (!image.save(pngPath, "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
