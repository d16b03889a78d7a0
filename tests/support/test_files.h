// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "appearance/appearance_store.h"
#include "storage/notes_store.h"
#include "storage/preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace quillo::test {

/// The whole file as it is on disk; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Writes the bytes to the file, making its folder first; whether all of them were written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// A fresh temporary folder with a settings file of its own in it, never the user's.
struct TestHome {
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    Preferences preferences{dir.filePath(QStringLiteral("Quillo.conf"))};
};

/// The note's and the look's stores on a fresh home, made and destroyed in order.
struct NoteStores {
    TestHome home;
    NotesStore notes{home.preferences, home.path(QStringLiteral("data"))};
    AppearanceStore appearance{home.preferences};
};

/// Sends this process's standard output to a temporary file while it lives, so a test can read what was
/// printed.
class StdoutCapture final {
public:
    StdoutCapture() {
        if (!m_file.open())
            qFatal("no temporary file for standard output");
        std::fflush(stdout);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() {
        std::fflush(stdout);
        ::dup2(m_savedStdout, STDOUT_FILENO);
        ::close(m_savedStdout);
    }
    QString text() const {
        std::fflush(stdout);
        return QString::fromUtf8(readFile(m_file.fileName()));
    }

private:
    int m_savedStdout = ::dup(STDOUT_FILENO);
    QTemporaryFile m_file;
};

} // namespace quillo::test
