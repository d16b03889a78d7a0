// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a note through NotesStore against the floor: the same bytes written with plain POSIX calls (write,
// fsync, rename, folder fsync). Prints the median time of each and their ratio for 100 KB, 1 MB and 10 MB.
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool posixSave(const QByteArray& path, const QByteArray& bytes) {
    const QByteArray temporary = path + ".tmp";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), path.constData()) == 0;
    const int folder =
        ::open(QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath()).constData(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && folder >= 0 && ::fsync(folder) == 0;
    if (folder >= 0)
        ::close(folder);
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder(QStringLiteral("/var/tmp/quillo-bench-XXXXXX"));
    quillo::Preferences preferences(folder.filePath(QStringLiteral("Quillo.conf")));
    quillo::NotesStore store(preferences, folder.filePath(QStringLiteral("Quillo")));
    const QByteArray floorPath = QFile::encodeName(folder.filePath(QStringLiteral("floor.txt")));

    std::printf("%-8s %14s %14s %8s\n", "size", "NotesStore ms", "POSIX ms", "ratio");
    for (const qsizetype size : {qsizetype(100'000), qsizetype(1'000'000), qsizetype(10'000'000)}) {
        const int rounds = size >= 10'000'000 ? 9 : 25;
        std::vector<double> storeTimes;
        std::vector<double> floorTimes;
        for (int round = 0; round < rounds; ++round) {
            // Both sides write a fresh text each round, converted from the same kind of QString.
            const QString text(size, QChar(QLatin1Char('a' + round % 26)));
            QElapsedTimer timer;
            timer.start();
            store.setText(text);
            store.saveNow();
            store.waitForWrites();
            storeTimes.push_back(timer.nsecsElapsed() / 1e6);

            timer.restart();
            if (!posixSave(floorPath, text.toUtf8()))
                return 1;
            floorTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
        const double storeMs = median(storeTimes);
        const double floorMs = median(floorTimes);
        std::printf("%-8s %14.2f %14.2f %7.2fx\n",
                    size >= 10'000'000  ? "10 MB"
                    : size >= 1'000'000 ? "1 MB"
                                        : "100 KB",
                    storeMs, floorMs, storeMs / floorMs);
    }
    return 0;
}
