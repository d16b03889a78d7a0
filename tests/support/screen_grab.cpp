#include "screen_grab.h"

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace quillo::test {

std::optional<QPoint> findNoteIconInPanel(int screenWidth) {
    const QRect strip(0, 0, screenWidth, 48);
    const QImage panel = QGuiApplication::primaryScreen()
                             ->grabWindow(0, strip.x(), strip.y(), strip.width(), strip.height())
                             .toImage();
    QPoint sum;
    int count = 0;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x) {
            const QColor c = panel.pixelColor(x, y);
            if (c.red() >= 240 && qAbs(c.green() - 0xf4) <= 16 && qAbs(c.blue() - 0xc2) <= 24) {
                sum += QPoint(x, y);
                ++count;
            }
        }
    if (count < 6)
        return std::nullopt;
    return strip.topLeft() + sum / count;
}

QString saveScreenshot(const QRect& area, const QString& name) {
    QString folder = qEnvironmentVariable("QUILLO_ARTIFACT_DIR");
    if (folder.isEmpty())
        folder = qEnvironmentVariable("QUILLO_TEST_HELPERS") + QStringLiteral("/artifacts");
    if (!QDir().mkpath(folder))
        return {};
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    return shot.save(file) ? file : QString();
}

} // namespace quillo::test
