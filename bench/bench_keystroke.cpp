// SPDX-License-Identifier: GPL-3.0-or-later
// Keystroke cost and peak memory of the note editor with a large note, against a bare QPlainTextEdit measured
// in the same run.
//
//   bench_keystroke            keystrokes offscreen, then peak memory on a private test desktop
//   bench_keystroke --memory   peak memory only, on the current X display (scripts/test-desktop starts one)
//
// Keystroke: the time from a key event to the note store holding the new text (the editor's synchronous
// work), for notes of 100 KB, 1 MB and 10 MB with the caret at the end, the contestants typing in alternating
// rounds. "copy per edit" is the straightforward binding that copies the whole text into the store on every
// edit and compares it back; Quillo's view hands the store a reader instead (NotesStore::setTextFromEditor).
// Memory: the real quillo binary, shown from the tray, 20 keys typed and the save landed, against a bare
// QPlainTextEdit process given the same file and keys; peak resident size (VmHWM) of each.

#include "editor/note_text_view.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

using namespace quillo;

namespace {

constexpr int kRounds = 6;
constexpr int kKeysPerRound = 40;
constexpr int kMemoryKeys = 20;

QString makeNote(qsizetype bytes) {
    static const QString lines[] = {
        QStringLiteral("Купить молоко, хлеб и кофе; позвонить в мастерскую насчёт велосипеда.\n"),
        QStringLiteral(
            "Meeting notes: ship the settings window, then the hotkey recorder, then packaging.\n"),
        QStringLiteral("- idea: a plain note that is always one keystroke away, saved 0.6 s after typing\n"),
        QStringLiteral("\n")};
    QString note;
    note.reserve(bytes);
    for (int i = 0; note.toUtf8().size() < bytes; ++i) {
        for (int j = 0; j < 256; ++j)
            note += lines[(i + j) % 4];
    }
    return note;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// One way of editing the note, shown in its own window with the caret at the end.
struct Contestant {
    QString name;
    std::unique_ptr<QWidget> window;
    QPlainTextEdit* editor = nullptr;
    std::function<bool()> storeHasText; ///< Checked once at the end: the store holds what was typed.
    std::vector<double> samples;        ///< Milliseconds per keystroke.
};

void showAtEnd(Contestant& contestant) {
    contestant.window->resize(340, 380);
    contestant.window->show();
    contestant.editor->setFocus();
    contestant.editor->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
}

void typeRound(Contestant& contestant) {
    for (int i = 0; i < kKeysPerRound; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(contestant.editor, char('a' + i % 26));
        contestant.samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(); // repaint and timers, outside the measured part
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double highest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double mean(const std::vector<double>& values) {
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

void benchKeystrokes(qsizetype bytes, const char* label) {
    QTemporaryDir dir;
    const QString note = makeNote(bytes);
    QDir().mkpath(dir.filePath(QStringLiteral("data")));
    QFile file(dir.filePath(QStringLiteral("data/notes.txt")));
    file.open(QIODevice::WriteOnly);
    file.write(note.toUtf8());
    file.close();

    Preferences preferences(dir.filePath(QStringLiteral("Quillo.conf")));
    Preferences eagerPreferences(dir.filePath(QStringLiteral("Eager.conf")));
    eagerPreferences.setValue(QStringLiteral("notesFilePath"),
                              dir.filePath(QStringLiteral("data/eager.txt")));
    NotesStore store(preferences, dir.filePath(QStringLiteral("data")));
    NotesStore eagerStore(eagerPreferences, dir.filePath(QStringLiteral("data")));
    eagerStore.setText(note);

    std::vector<Contestant> contestants(3);
    Contestant& bare = contestants[0];
    bare.name = QStringLiteral("bare QPlainTextEdit");
    bare.window = std::make_unique<QWidget>();
    bare.editor = new QPlainTextEdit(bare.window.get());
    bare.editor->setPlainText(note);
    bare.storeHasText = [] { return true; };

    Contestant& quillo = contestants[1];
    quillo.name = QStringLiteral("Quillo's note text view");
    quillo.window = std::make_unique<QWidget>();
    auto* view = new NoteTextView(store, quillo.window.get());
    quillo.editor = view;
    quillo.storeHasText = [&store, view] { return store.text() == view->noteText(); };

    Contestant& eager = contestants[2];
    eager.name = QStringLiteral("copy per edit");
    eager.window = std::make_unique<QWidget>();
    auto* eagerEditor = new QPlainTextEdit(eager.window.get());
    eagerEditor->setPlainText(note);
    eager.editor = eagerEditor;
    bool echo = false;
    QObject::connect(eagerEditor, &QPlainTextEdit::textChanged, eagerEditor, [&] {
        echo = true;
        eagerStore.setText(eagerEditor->toPlainText());
        echo = false;
    });
    QObject::connect(&eagerStore, &NotesStore::textChanged, eagerEditor, [&] {
        if (eagerEditor->toPlainText() != eagerStore.text() && !echo)
            eagerEditor->setPlainText(eagerStore.text());
    });
    eager.storeHasText = [&] { return eagerStore.text() == eagerEditor->toPlainText(); };

    for (Contestant& contestant : contestants) {
        (new QVBoxLayout(contestant.window.get()))->addWidget(contestant.editor);
        showAtEnd(contestant);
    }
    for (int round = 0; round < kRounds; ++round)
        for (Contestant& contestant : contestants) {
            contestant.window->activateWindow();
            contestant.editor->setFocus();
            typeRound(contestant);
        }

    QElapsedTimer read;
    read.start();
    const bool stored = quillo.storeHasText();
    const double readMs = double(read.nsecsElapsed()) / 1e6;

    const double base = median(bare.samples);
    std::printf("\n%s note (%lld characters), %d keystrokes each, caret at the end:\n", label,
                static_cast<long long>(note.size()), kRounds * kKeysPerRound);
    for (Contestant& contestant : contestants) {
        std::printf(
            "  %-24s median %8.4f ms  mean %8.4f ms  max %8.3f ms  median ratio %6.2fx  store holds it: %s\n",
            qPrintable(contestant.name), median(contestant.samples), mean(contestant.samples),
            highest(contestant.samples), median(contestant.samples) / base,
            contestant.storeHasText() ? "yes" : "NO");
    }
    std::printf(
        "  reading the whole text out of the view once (at a save or a read of the store): %.2f ms (%s)\n",
        readMs, stored ? "ok" : "WRONG");
    store.waitForWrites();
    eagerStore.waitForWrites();
}

// ---- peak memory -----------------------------------------------------------------------------------------

qint64 peakKiB(qint64 pid) {
    const QString status = QString::fromLatin1(readFile(QStringLiteral("/proc/%1/status").arg(pid)));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB")).match(status);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// The bare contestant's process: the file in a QPlainTextEdit, shown; prints "ready" once it takes keys.
int runBare(int argc, char* argv[], const QString& path) {
    QApplication app(argc, argv);
    QPlainTextEdit edit;
    edit.setPlainText(QString::fromUtf8(readFile(path)));
    edit.resize(340, 380);
    edit.show();
    edit.activateWindow();
    edit.moveCursor(QTextCursor::End);
    QTimer::singleShot(500, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}

/// Waits until `process` printed `line` or the bound passes.
bool waitForLine(QProcess& process, const QByteArray& line, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        process.waitForReadyRead(100);
        if (process.readAllStandardOutput().contains(line))
            return true;
    }
    return false;
}

std::optional<QRect> trayIconOf(const QString& processId) {
    for (const QString& id : xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--pid"), processId})
                                 .split(u'\n', Qt::SkipEmptyParts)) {
        const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
        QHash<QString, int> values;
        for (const QString& line : shell.split(u'\n', Qt::SkipEmptyParts))
            values[line.section(u'=', 0, 0)] = line.section(u'=', 1).toInt();
        if (values.value(QStringLiteral("WIDTH")) <= 64 && values.value(QStringLiteral("HEIGHT")) <= 64)
            return QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")],
                         values[QStringLiteral("WIDTH")], values[QStringLiteral("HEIGHT")]);
    }
    return std::nullopt;
}

int runMemory(int argc, char* argv[], const QString& self) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString notePath = home.filePath(QStringLiteral("data/Quillo/notes.txt"));
    QDir().mkpath(QFileInfo(notePath).absolutePath());
    const QByteArray note = makeNote(10 * 1024 * 1024).toUtf8();
    {
        QFile file(notePath);
        file.open(QIODevice::WriteOnly);
        file.write(note);
    }
    const QString keys = QString(kMemoryKeys, u'x');
    std::printf("\n10 MB note, peak resident memory (VmHWM) after showing and typing %d keys:\n",
                kMemoryKeys);

    QProcess bare;
    bare.start(self, {QStringLiteral("--bare-process"), notePath});
    if (!waitForLine(bare, "ready", 60000)) {
        std::printf("  the bare editor did not start\n");
        return 1;
    }
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), keys});
    QThread::msleep(1000);
    const qint64 barePeak = peakKiB(bare.processId());
    bare.kill();
    bare.waitForFinished();

    QProcess quillo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    quillo.setProcessEnvironment(environment);
    quillo.start(QStringLiteral(QUILLO_BINARY_PATH), {});
    quillo.waitForStarted();
    std::optional<QRect> icon;
    for (int i = 0; i < 100 && !icon; ++i) {
        QThread::msleep(200);
        icon = trayIconOf(QString::number(quillo.processId()));
    }
    if (!icon) {
        std::printf("  Quillo's tray icon did not show\n");
        return 1;
    }
    const QPoint centre = icon->center();
    xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    QThread::msleep(1500);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), keys});
    QElapsedTimer saved;
    saved.start();
    while (QFileInfo(notePath).size() != note.size() + kMemoryKeys && saved.elapsed() < 30000)
        QThread::msleep(100);
    const bool landed = QFileInfo(notePath).size() == note.size() + kMemoryKeys;
    QThread::msleep(500);
    const qint64 quilloPeak = peakKiB(quillo.processId());
    ::kill(pid_t(quillo.processId()), SIGTERM);
    quillo.waitForFinished(30000);

    std::printf("  %-26s %8lld KiB\n", "bare QPlainTextEdit", static_cast<long long>(barePeak));
    std::printf("  %-26s %8lld KiB   ratio %.2fx   typed text saved: %s\n", "quillo",
                static_cast<long long>(quilloPeak), double(quilloPeak) / double(barePeak),
                landed ? "yes" : "NO");
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const QString self = QString::fromLocal8Bit(argv[0]);
    if (argc == 3 && qstrcmp(argv[1], "--bare-process") == 0)
        return runBare(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc == 2 && qstrcmp(argv[1], "--memory") == 0)
        return runMemory(argc, argv, self);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform remarks on every window it cannot decorate; the figures are what matters here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    {
        QApplication app(argc, argv);
        benchKeystrokes(100 * 1024, "100 KB");
        benchKeystrokes(1024 * 1024, "1 MB");
        benchKeystrokes(10 * 1024 * 1024, "10 MB");
    }
    std::fflush(stdout);
    // The memory part needs a real X display with a tray: run it on a private test desktop.
    return QProcess::execute(QStringLiteral(QUILLO_SOURCE_DIR "/scripts/test-desktop"),
                             {QStringLiteral("--panel"), QStringLiteral("top"), QStringLiteral("--"), self,
                              QStringLiteral("--memory")});
}
