// note_probe terminate <signal>: types a note through the application's store, then raises the signal before
//                                the save delay has run out; the termination path must still save it.
// note_probe stream <path>:      saves large, self-describing notes to <path> back to back until killed.
#include "app/application.h"
#include "storage/note_writer.h"
#include "storage/notes_store.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

int terminate(int argc, char* argv[], int signalNumber) {
    QApplication app(argc, argv);
    quillo::Application application;
    QTimer::singleShot(0, [&application, signalNumber] {
        application.launch();
        application.notesStore()->setText(QStringLiteral("typed just before the end ✓"));
        QTimer::singleShot(100, [signalNumber] { std::raise(signalNumber); });
    });
    return QApplication::exec();
}

/// Generation n: a header line that names n and the body's length, then a body that only n can produce.
QString generation(int n) {
    const int length = 400'000 + (n * 7919) % 1'600'000;
    const QChar fill(QLatin1Char('a' + n % 26));
    return QStringLiteral("generation %1 length %2\n").arg(n).arg(length) + QString(length, fill);
}

int stream(const QString& path) {
    quillo::NoteWriter writer;
    std::puts("ready");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        writer.enqueue({path, generation(n)});
        writer.waitForWrites();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("terminate"))
        return terminate(argc, argv, std::atoi(argv[2]));
    if (mode == QLatin1String("stream"))
        return stream(QString::fromLocal8Bit(argv[2]));
    std::fputs("usage: note_probe terminate <signal> | stream <path>\n", stderr);
    return 2;
}
