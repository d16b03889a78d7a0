#pragma once

#include "storage/preferences.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

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

} // namespace quillo::test
