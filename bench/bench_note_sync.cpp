// SPDX-License-Identifier: GPL-3.0-or-later
// The note file shared with the world, against baselines measured in the same run.
//
// Merge: a 10 MB note with words typed in its middle and a line appended at its end by another program,
// merged by Quillo (mergeNoteTexts, and with the store's conversions around it) against libgit2's merge of
// the whole texts. Goal: under 100 ms. Idle: the real quillo binary with its file watched, left alone for 10
// s, against a bare QPlainTextEdit process: context switches of all threads, from /proc/<pid>/task/*/status.
// Goal: zero.

#include "storage/note_file.h"
#include "storage/note_merge.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <git2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quillo;

namespace {

constexpr int kRuns = 9;
constexpr int kIdleSeconds = 10;

QByteArray makeNote(qsizetype bytes) {
    const QByteArray lines[] = {
        "Купить молоко, хлеб и кофе; позвонить в мастерскую насчёт велосипеда.\n",
        "Meeting notes: ship the settings window, then the hotkey recorder, then packaging.\n",
        "- idea: a plain note that is always one keystroke away, saved 0.6 s after typing\n", "\n"};
    QByteArray note;
    note.reserve(bytes + 200);
    for (int i = 0; note.size() < bytes; ++i)
        note += lines[i % 4];
    return note;
}

double medianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QByteArray libgit2Merge(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs) {
    git_merge_file_input in[3];
    const QByteArray* texts[3] = {&base, &ours, &theirs};
    for (int i = 0; i < 3; ++i) {
        git_merge_file_input_init(&in[i], GIT_MERGE_FILE_INPUT_VERSION);
        in[i].ptr = texts[i]->constData();
        in[i].size = size_t(texts[i]->size());
    }
    git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
    options.favor = GIT_MERGE_FILE_FAVOR_UNION;
    git_merge_file_result result = {};
    QByteArray merged;
    if (git_merge_file(&result, &in[0], &in[1], &in[2], &options) == 0)
        merged = QByteArray(result.ptr, qsizetype(result.len));
    git_merge_file_result_free(&result);
    return merged;
}

void benchMerge() {
    const QByteArray base = makeNote(10 * 1024 * 1024);
    const qsizetype middle = base.indexOf('\n', base.size() / 2) + 1;
    const QByteArray ours = base.first(middle) + "typed words " + base.sliced(middle);
    const QByteArray theirs = base + "call Anna\n";
    const QByteArray expected = ours + "call Anna\n";
    const QString oursText = QString::fromUtf8(ours);

    git_libgit2_init();
    QByteArray byLibrary, byQuillo;
    QString shown;
    const double library = medianMs([&] { byLibrary = libgit2Merge(base, ours, theirs); });
    const double quillo =
        medianMs([&] { byQuillo = mergeNoteTexts(base, ours, theirs).value_or(QByteArray()); });
    // What the store does on the main thread: the window's text to UTF-8, the merge, the result to text.
    const double store = medianMs([&] {
        shown =
            NoteFile::decode(mergeNoteTexts(base, oursText.toUtf8(), theirs).value_or(QByteArray())).value();
    });
    const bool right = byLibrary == expected && byQuillo == expected && shown == QString::fromUtf8(expected);
    git_libgit2_shutdown();
    std::printf("10 MB note, words typed in the middle, a line appended at the end; median of %d:\n", kRuns);
    std::printf("  %-44s %8.2f ms\n", "libgit2, whole texts (baseline)", library);
    std::printf("  %-44s %8.2f ms   ratio %.3fx\n", "Quillo's merge", quillo, quillo / library);
    std::printf("  %-44s %8.2f ms   goal < 100 ms: %s\n", "Quillo's merge with the store's conversions",
                store, store < 100 ? "met" : "MISSED");
    std::printf("  results right: %s\n", right ? "yes" : "NO");
}

qint64 contextSwitches(qint64 pid) {
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    static const QRegularExpression switches(QStringLiteral("ctxt_switches:\\s+(\\d+)"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (auto it = switches.globalMatch(QString::fromLatin1(status.readAll())); it.hasNext();)
            total += it.next().captured(1).toLongLong();
    }
    return total;
}

qint64 idleSwitches(QProcess& process) {
    QThread::sleep(3); // started up and settled
    const qint64 before = contextSwitches(process.processId());
    QThread::sleep(kIdleSeconds);
    const qint64 after = contextSwitches(process.processId());
    process.kill();
    process.waitForFinished();
    return after - before;
}

void benchIdle(const QString& self) {
    QTemporaryDir home;
    const QString note = home.filePath(QStringLiteral("data/Quillo/notes.txt"));
    QDir().mkpath(QFileInfo(note).absolutePath());
    QFile file(note);
    file.open(QIODevice::WriteOnly);
    file.write(makeNote(100 * 1024));
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));

    QProcess bare;
    bare.setProcessEnvironment(environment);
    bare.start(self, {QStringLiteral("--bare-process"), note});
    const qint64 bareSwitches = idleSwitches(bare);
    QProcess quillo;
    quillo.setProcessEnvironment(environment);
    quillo.start(QStringLiteral(QUILLO_BINARY_PATH), {});
    const qint64 quilloSwitches = idleSwitches(quillo);
    std::printf("\nIdle for %d s (offscreen), context switches of all threads:\n", kIdleSeconds);
    std::printf("  %-44s %8lld\n", "bare QPlainTextEdit (baseline)", static_cast<long long>(bareSwitches));
    std::printf("  %-44s %8lld   goal 0: %s\n", "quillo, note file watched",
                static_cast<long long>(quilloSwitches), quilloSwitches == 0 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--bare-process") == 0) {
        QApplication app(argc, argv);
        QPlainTextEdit edit;
        QFile file(QString::fromLocal8Bit(argv[2]));
        file.open(QIODevice::ReadOnly);
        edit.setPlainText(QString::fromUtf8(file.readAll()));
        edit.show();
        return QApplication::exec();
    }
    benchMerge();
    benchIdle(QString::fromLocal8Bit(argv[0]));
    return 0;
}
