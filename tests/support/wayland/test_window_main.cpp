// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-test-window TITLE: a window with one line edit, for seeing where typed keys land. Prints "shown"
// once it is on screen and "text: ..." after every change of the line edit's text.

#include <QApplication>
#include <QLineEdit>
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
    QWidget window;
    window.setWindowTitle(app.arguments().value(1, QStringLiteral("Quillo test window")));
    auto* edit = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    window.resize(400, 120);
    QObject::connect(edit, &QLineEdit::textChanged,
                     [](const QString& text) { say(QStringLiteral("text: ") + text); });
    window.show();
    edit->setFocus();
    say(QStringLiteral("shown"));
    return app.exec();
}
