// quillo-test-window TITLE [--size WxH] [--tray]: a window with one line edit, for seeing where typed keys
// land. Prints "shown" once it is on screen and "text: ..." after every change of the line edit's text. With
// --tray it also shows a tray icon and prints "tray activated" when the icon is clicked.

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QSize>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QWidget window;
    window.setWindowTitle(args.value(1, QStringLiteral("Quillo test window")));
    auto* edit = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    QSize size(400, 120);
    if (const qsizetype at = args.indexOf(QStringLiteral("--size")); at > 0) {
        const QStringList parts = args.value(at + 1).split(QLatin1Char('x'));
        size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
    }
    window.resize(size);
    QObject::connect(edit, &QLineEdit::textChanged,
                     [](const QString& text) { say(QStringLiteral("text: ") + text); });

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(pixmap)};
    QObject::connect(&tray, &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            say(QStringLiteral("tray activated"));
    });
    if (args.contains(QStringLiteral("--tray")))
        tray.show();

    window.show();
    edit->setFocus();
    say(QStringLiteral("shown"));
    return app.exec();
}
