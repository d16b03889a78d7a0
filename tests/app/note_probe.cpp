// SPDX-License-Identifier: GPL-3.0-or-later
// note_probe <path>: saves large, self-describing notes to <path> back to back until killed.
#include "storage/note_writer.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: note_probe <path>\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    quillo::NoteWriter writer;
    std::puts("ready");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        // Generation n: a header line that names n and the body's length, then a body only n produces.
        const int length = 400'000 + (n * 7919) % 1'600'000;
        writer.enqueue({path, QStringLiteral("generation %1 length %2\n").arg(n).arg(length) +
                                  QString(length, QLatin1Char(char('a' + n % 26)))});
        writer.waitForWrites();
    }
}
